// Authenticode check of a downloaded program (wintrust).
#pragma once

#include <cstdint>
#include <string>

namespace win {

// True when the file at `utf8Path` carries a valid Authenticode signature that chains to a
// trusted root (WinVerifyTrust with WINTRUST_ACTION_GENERIC_VERIFY_V2, no user interface, no
// revocation check). Otherwise false, with a short readable reason in `reason`.
bool VerifyFileSignature(const std::string& utf8Path, std::string& reason);

// The readable reason for a WinVerifyTrust result other than success.
std::string TrustErrorText(int32_t status);

}  // namespace win
