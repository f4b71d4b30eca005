#include "platform/linux/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace dreieck {

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!temporary_.empty()) unlink(temporary_.c_str());
}

bool AtomicFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  fd_ = mkstemp(buffer.data());
  if (fd_ < 0) {
    *error = std::strerror(errno);
    return false;
  }
  temporary_ = buffer.data();
  // mkstemp makes the file private; give it what a new file of the user gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
  return true;
}

bool AtomicFile::Write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (failure_ == 0 && size > 0) {
    const ssize_t n = write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      failure_ = errno;
    } else {
      p += n;
      size -= static_cast<size_t>(n);
    }
  }
  return failure_ == 0;
}

bool AtomicFile::Commit(std::string* error) {
  if (failure_ == 0 && fsync(fd_) != 0) failure_ = errno;
  if (close(fd_) != 0 && failure_ == 0) failure_ = errno;
  fd_ = -1;
  if (failure_ == 0 && rename(temporary_.c_str(), path_.c_str()) != 0) failure_ = errno;
  if (failure_ != 0) {
    *error = std::strerror(failure_);
    return false;
  }
  temporary_.clear();
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  file.Write(data.data(), data.size());
  return file.Commit(error);
}

}  // namespace dreieck
