#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// wintrust.h needs the types of windows.h.
#include <softpub.h>
#include <wintrust.h>

#include <cstdio>

#include "platform/win32/signature_win32.h"
#include "platform/win32/text.h"

namespace win {
namespace {

// HRESULT_FROM_WIN32 of ERROR_FILE_NOT_FOUND and ERROR_PATH_NOT_FOUND.
constexpr HRESULT kFileNotFoundResult = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT kPathNotFoundResult = static_cast<HRESULT>(0x80070003u);

// Owns the state that a WTD_STATEACTION_VERIFY call leaves behind and releases it with
// WTD_STATEACTION_CLOSE.
class TrustState {
 public:
  TrustState(GUID action, WINTRUST_DATA& data) : action_(action), data_(data) {}
  ~TrustState() { Close(); }
  TrustState(const TrustState&) = delete;
  TrustState& operator=(const TrustState&) = delete;

  LONG Verify() {
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    verified_ = true;
    return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  void Close() {
    if (!verified_) return;
    verified_ = false;
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }

 private:
  GUID action_;
  WINTRUST_DATA& data_;
  bool verified_ = false;
};

}  // namespace

std::string TrustErrorText(int32_t status) {
  switch (static_cast<HRESULT>(status)) {
    case TRUST_E_NOSIGNATURE:
      return "The file is not signed.";
    case TRUST_E_SUBJECT_FORM_UNKNOWN:
      return "The file is not a program that can carry a signature.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case kFileNotFoundResult:
    case kPathNotFoundResult:
      return "The file could not be found.";
    case TRUST_E_BAD_DIGEST:
      return "The file was changed after it had been signed.";
    case TRUST_E_NO_SIGNER_CERT:
      return "The signature has no signer certificate.";
    case CERT_E_EXPIRED:
      return "The signing certificate has expired.";
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_UNTRUSTEDTESTROOT:
      return "The signature does not lead to a trusted root certificate.";
    case CERT_E_CHAINING:
      return "The signing certificate's chain could not be built.";
    case TRUST_E_EXPLICIT_DISTRUST:
      return "The signer is marked as not trusted on this computer.";
    case TRUST_E_SUBJECT_NOT_TRUSTED:
    case CRYPT_E_SECURITY_SETTINGS:
      return "This computer's security settings do not trust the signature.";
    default: {
      char text[80];
      std::snprintf(text, sizeof text, "The signature could not be verified (error 0x%08lX).",
                    static_cast<unsigned long>(static_cast<uint32_t>(status)));
      return text;
    }
  }
}

bool VerifyFileSignature(const std::string& utf8Path, std::string& reason) {
  const std::wstring path = Widen(utf8Path);
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = path.c_str();

  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;

  TrustState state(WINTRUST_ACTION_GENERIC_VERIFY_V2, data);
  const LONG status = state.Verify();
  if (status == ERROR_SUCCESS) return true;
  reason = TrustErrorText(static_cast<int32_t>(status));
  return false;
}

}  // namespace win
