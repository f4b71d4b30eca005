#include "platform/linux/files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace dreieck {

namespace {

// The names of the temporary files being written, where a signal handler can read
// them: a slot is filled or emptied only while the signals are blocked.
constexpr int kSlots = 4;
char temporaries[kSlots][PATH_MAX];
volatile sig_atomic_t used[kSlots];
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Removes the temporary files, then lets the signal end the program as it would have
// (the handler was reset on entry; the signal is delivered again when it returns).
extern "C" void RemoveTemporaries(int signal) {
  const int saved = errno;
  for (int i = 0; i < kSlots; ++i)
    if (used[i]) unlink(temporaries[i]);
  raise(signal);
  errno = saved;
}

// Blocks the signals for the life of the object.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// Installs the handler once, for the signals that are not ignored (as under nohup).
void CatchSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int s : kSignals) {
    struct sigaction old;
    if (sigaction(s, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = RemoveTemporaries;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    sigaction(s, &action, nullptr);
  }
}

// "dir/" of "dir/name", "" of "name".
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (slot_ >= 0) {
    SignalsBlocked blocked;
    unlink(temporaries[slot_]);
    used[slot_] = 0;
  }
}

bool AtomicFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  // A short name of its own: the file's name may be as long as the folder allows.
  const std::string pattern = FolderOf(path) + ".dreieck-XXXXXX";
  if (pattern.size() >= PATH_MAX) {
    *error = std::strerror(ENAMETOOLONG);
    return false;
  }
  CatchSignals();
  {
    SignalsBlocked blocked;
    for (int i = 0; i < kSlots && slot_ < 0; ++i)
      if (!used[i]) slot_ = i;
    if (slot_ < 0) {
      *error = "too many files written at once";
      return false;
    }
    std::memcpy(temporaries[slot_], pattern.c_str(), pattern.size() + 1);
    fd_ = mkostemp(temporaries[slot_], O_CLOEXEC);
    if (fd_ < 0) {
      *error = std::strerror(errno);
      slot_ = -1;
      return false;
    }
    used[slot_] = 1;
  }
  // mkstemp makes the file private. A file it replaces keeps its mode and, where the
  // user may give it, its owner and group; a new one gets what a new file of the user
  // gets.
  struct stat old;
  if (lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    // Where the owner (or else the group) is not ours to give, the file becomes the user's.
    const bool owned = fchown(fd_, old.st_uid, old.st_gid) == 0 || fchown(fd_, static_cast<uid_t>(-1), old.st_gid) == 0;
    static_cast<void>(owned);
    fchmod(fd_, old.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
  }
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

std::string AtomicFile::Failure() const { return failure_ != 0 ? std::strerror(failure_) : ""; }

bool AtomicFile::Commit(std::string* error) {
  if (failure_ == 0 && fsync(fd_) != 0) failure_ = errno;
  if (close(fd_) != 0 && failure_ == 0) failure_ = errno;
  fd_ = -1;
  if (failure_ == 0) {
    SignalsBlocked blocked;
    if (rename(temporaries[slot_], path_.c_str()) == 0) {
      used[slot_] = 0;
      slot_ = -1;
    } else {
      failure_ = errno;
    }
  }
  if (failure_ != 0) {
    *error = std::strerror(failure_);
    return false;
  }
  // The new name is on disk too once the folder is: a crash now keeps the new file.
  const std::string name = FolderOf(path_);
  const int folder = open(name.empty() ? "." : name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  file.Write(data.data(), data.size());
  return file.Commit(error);
}

}  // namespace dreieck
