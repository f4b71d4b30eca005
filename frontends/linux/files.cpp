#include "frontends/linux/files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace dreieck {

namespace {

// The temporary files being written, where a signal handler can reach them: an open
// descriptor of the folder and the short name in it. A slot is filled or emptied only
// while the signals are blocked.
struct Temporary {
  int folder;
  char name[32];
};
constexpr int kSlots = 4;
Temporary temporaries[kSlots];
volatile sig_atomic_t used[kSlots];
// The signals whose default action ends the program: each removes the temporary files
// first.
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};

// Removes the temporary files, then lets the signal end the program as it would have
// (the handler was reset on entry; the signal is delivered again when it returns).
extern "C" void RemoveTemporaries(int signal) {
  const int saved = errno;
  for (int i = 0; i < kSlots; ++i)
    if (used[i]) unlinkat(temporaries[i].folder, temporaries[i].name, 0);
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
// A file grown beyond the size limit (ulimit -f) is a failed write like any other,
// reported as such, not a signal that ends the program.
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
  signal(SIGXFSZ, SIG_IGN);
}

// "dir/" of "dir/name", "" of "name"; "/" of "/name".
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// A new file of a short name of its own in `folder`, made with `mode` less the umask.
int MakeTemporary(int folder, mode_t mode, char name[32]) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t state = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(getpid()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::memcpy(name, ".dreieck-", 9);
    for (int i = 9; i < 15; ++i) {
      state = state * 6364136223846793005u + 1442695040888963407u;
      name[i] = kLetters[(state >> 33) % (sizeof kLetters - 1)];
    }
    name[15] = '\0';
    const int fd = openat(folder, name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (slot_ >= 0) {
    SignalsBlocked blocked;
    unlinkat(temporaries[slot_].folder, temporaries[slot_].name, 0);
    used[slot_] = 0;
  }
  if (folder_ >= 0) close(folder_);
}

bool AtomicFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  const std::string folder = FolderOf(path);
  name_ = path.substr(folder.size());
  // What is there already: a regular file is replaced (a symbolic link too, not what it
  // points to); other kinds, and a file the user may not write, are left alone.
  struct stat old;
  const bool replacing = lstat(path.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
    *error = S_ISDIR(old.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    return false;
  }
  if (replacing && S_ISREG(old.st_mode) && access(path.c_str(), W_OK) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  folder_ = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) {
    *error = std::string("its folder cannot be opened (") + std::strerror(errno) + ")";
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
    // A new picture gets what a new file of the user gets; one that replaces a file
    // starts private and takes that file's mode below.
    const bool keepMode = replacing && S_ISREG(old.st_mode);
    temporaries[slot_].folder = folder_;
    fd_ = MakeTemporary(folder_, keepMode ? 0600 : 0666, temporaries[slot_].name);
    if (fd_ < 0) {
      *error = std::string("its folder takes no new file (") + std::strerror(errno) + ")";
      slot_ = -1;
      return false;
    }
    used[slot_] = 1;
  }
  if (replacing && S_ISREG(old.st_mode)) {
    // Where the owner (or else the group) is not ours to give, the file becomes the user's.
    // (With neither the file stays the user's: nothing to do. Written as a condition, as
    // glibc's fortified fchown must have its result looked at.)
    if (fchown(fd_, old.st_uid, old.st_gid) != 0 && fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
    }
    fchmod(fd_, old.st_mode & 07777);
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

bool AtomicFile::Commit(std::string* error, bool replace) {
  if (failure_ == 0 && fsync(fd_) != 0) failure_ = errno;
  if (close(fd_) != 0 && failure_ == 0) failure_ = errno;
  fd_ = -1;
  if (failure_ == 0) {
    SignalsBlocked blocked;
    const char* temporary = temporaries[slot_].name;
    const int renamed = replace ? renameat(folder_, temporary, folder_, name_.c_str())
                                : renameat2(folder_, temporary, folder_, name_.c_str(), RENAME_NOREPLACE);
    if (renamed == 0) {
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
  fsync(folder_);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  file.Write(data.data(), data.size());
  return file.Commit(error);
}

}  // namespace dreieck
