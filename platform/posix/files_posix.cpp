// POSIX implementation of platform/files.h, used by the native build.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace plat {
namespace {

// Owns one file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  // Closes now and reports the result; safe to call twice.
  bool Close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
};

// Removes the temporary file on every path out of the write unless it has been renamed.
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
  ~TempFileGuard() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

[[noreturn]] void ThrowErrno(int err, const std::string& what, const std::string& path) {
  throw std::system_error(err, std::generic_category(), what + " \"" + path + "\"");
}

// The folder part of `path` including its final slash, or empty for a bare file name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SyncFolder(const std::string& folder) {
  // Makes the rename itself durable; a folder that cannot be opened for this is no error.
  FileDescriptor dir(
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

}  // namespace

void WriteFileAtomically(const std::string& utf8Path, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(utf8Path);

  std::string tempPath;
  FileDescriptor file;
  // A short name of our own in the target's folder, so that the rename stays within one file
  // system; O_EXCL never reuses a file that is already there.
  for (int attempt = 0; file.Get() < 0; ++attempt) {
    tempPath =
        folder + "~zd" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
    file.Reset(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.Get() < 0 && (errno != EEXIST || attempt >= 100)) {
      ThrowErrno(errno, "Cannot save", utf8Path);
    }
  }
  TempFileGuard guard(tempPath);

  // A file that is replaced keeps its permission bits.
  struct stat target {};
  if (::stat(utf8Path.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
    if (::fchmod(file.Get(), target.st_mode & 07777) != 0) {
      ThrowErrno(errno, "Cannot save", utf8Path);
    }
  }

  while (!bytes.empty()) {
    const ssize_t n = ::write(file.Get(), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, "Cannot save", utf8Path);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (::fsync(file.Get()) != 0) ThrowErrno(errno, "Cannot save", utf8Path);
  if (!file.Close()) ThrowErrno(errno, "Cannot save", utf8Path);
  if (::rename(tempPath.c_str(), utf8Path.c_str()) != 0) ThrowErrno(errno, "Cannot save", utf8Path);
  guard.Release();
  SyncFolder(folder);
}

std::string ReadWholeFile(const std::string& utf8Path) {
  FileDescriptor file(::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) ThrowErrno(errno, "Cannot open", utf8Path);

  std::string data;
  struct stat st {};
  if (::fstat(file.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    data.reserve(static_cast<size_t>(st.st_size));
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, "Cannot read", utf8Path);
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  return data;
}

}  // namespace plat
