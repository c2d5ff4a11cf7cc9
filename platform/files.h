// Whole-file reads and writes. Paths are UTF-8; platform/posix/ and platform/win32/ each
// implement these once.
#pragma once

#include <string>
#include <string_view>

namespace plat {

// Replaces the file at `utf8Path` with `bytes` so that no reader ever sees a half-written
// file and a failure never damages what was there: the bytes go to a new temporary file in
// the same folder, are flushed to the disk, and the temporary file then takes the target's
// place in one step. On any failure the temporary file is removed, an existing target is left
// exactly as it was, and a std::runtime_error (std::system_error where the system gave an
// error code) is thrown whose message names the path and gives the system's error text.
// The temporary file's name never ends in the target's extension.
void WriteFileAtomically(const std::string& utf8Path, std::string_view bytes);

// All bytes of the file at `utf8Path`. While it is open, other programs may read the file but
// not write it (on Windows; POSIX has no such lock). Throws like WriteFileAtomically when the
// file is missing, cannot be opened or cannot be read (a folder, for example).
std::string ReadWholeFile(const std::string& utf8Path);

}  // namespace plat
