#include "frontends/linux/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
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

// The temporary names in use, where a signal handler can reach them: an open
// descriptor of the folder and the short name in it. A slot is filled or emptied only
// while the signals are blocked. Enough for the ticks of a cycle written at once.
struct Temporary {
  int folder;
  char name[32];
};
constexpr int kSlots = 16;
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

// The letters of a temporary name, .dreieck- and six of them.
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kPrefixLength = 9, kNameLength = 15;

// Calls make(name) with new short names of our own, .dreieck-XXXXXX, until one is not
// taken; its result (-1 with errno when it failed otherwise).
template <typename Make>
int WithNewName(char name[32], Make make) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  static uint64_t state = 0;
  state ^= static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(getpid()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::memcpy(name, ".dreieck-", kPrefixLength);
    for (size_t i = kPrefixLength; i < kNameLength; ++i) {
      state = state * 6364136223846793005u + 1442695040888963407u;
      name[i] = kLetters[(state >> 33) % (sizeof kLetters - 1)];
    }
    name[kNameLength] = '\0';
    const int result = make(name);
    if (result >= 0 || errno != EEXIST) return result;
  }
  errno = EEXIST;
  return -1;
}

// Gives the unnamed file `fd` the name `name` in `folder`: through the descriptor
// itself where the kernel lets us (CAP_DAC_READ_SEARCH), else through /proc.
int Link(int fd, int folder, const char* name) {
  if (linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT && errno != EPERM) return -1;
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return linkat(AT_FDCWD, proc, folder, name, AT_SYMLINK_FOLLOW);
}

// A free slot, or -1; signals blocked.
int FreeSlot() {
  for (int i = 0; i < kSlots; ++i)
    if (!used[i]) return i;
  return -1;
}

// flock, again when a signal came between.
bool Lock(int fd, int how) {
  int locked;
  while ((locked = flock(fd, how)) != 0 && errno == EINTR) {
  }
  return locked == 0;
}

// The name in the folder is the file of `fd`.
bool Names(int folder, const char* name, int fd) {
  struct stat named, opened;
  return fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && fstat(fd, &opened) == 0 &&
         named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// .dreieck-XXXXXX, as WithNewName makes them.
bool IsTemporaryName(const char* name) {
  if (std::strlen(name) != kNameLength || std::strncmp(name, ".dreieck-", kPrefixLength) != 0) return false;
  for (size_t i = kPrefixLength; i < kNameLength; ++i)
    if (std::strchr(kLetters, name[i]) == nullptr) return false;
  return true;
}

// Removes what runs that were killed while they wrote into the folder left there, with
// the folder locked (a run that names its files holds that lock, and a run that writes a
// named temporary file holds a lock on it): files of ours under a temporary name, named
// nowhere else, whose lock nobody holds. Anything else stays, a temporary name of a run
// that still writes included.
void RemoveLeftovers(int folder) {
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return;
  }
  while (const dirent* entry = readdir(entries)) {
    const char* name = entry->d_name;
    struct stat info;
    if (!IsTemporaryName(name) || fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != geteuid() || info.st_nlink != 1)
      continue;
    int fd = openat(folder, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    if (Names(folder, name, fd) && flock(fd, LOCK_EX | LOCK_NB) == 0 && Names(folder, name, fd))
      unlinkat(folder, name, 0);
    close(fd);
  }
  closedir(entries);
}

}  // namespace

AtomicFile::~AtomicFile() {
  if (slot_ >= 0) {
    SignalsBlocked blocked;
    unlinkat(temporaries[slot_].folder, temporaries[slot_].name, 0);
    used[slot_] = 0;
  }
  if (fd_ >= 0) close(fd_);  // an unnamed file goes with it
  if (folder_ >= 0) close(folder_);
}

namespace {

// What is there already: nothing, a regular file (replaced) or a symbolic link
// (replaced, not what it points to). Other kinds, and a file the user may not write, are
// left alone: false, with *error.
bool MayReplace(const std::string& path, struct stat* old, bool* replacing, std::string* error) {
  *replacing = lstat(path.c_str(), old) == 0;
  if (*replacing && !S_ISREG(old->st_mode) && !S_ISLNK(old->st_mode)) {
    *error = S_ISDIR(old->st_mode) ? std::strerror(EISDIR) : "not a regular file";
    return false;
  }
  if (*replacing && S_ISREG(old->st_mode) && access(path.c_str(), W_OK) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool AtomicFile::OpenUnnamed(mode_t mode, std::string* error) {
  // Named later through /proc when not through the descriptor.
  if (access("/proc/self/fd", X_OK) != 0) return true;
  fd_ = openat(folder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  unnamed_ = fd_ >= 0;
  // (Its temporary name, if it takes one, is there only while this run holds the
  // folder's lock, under which alone leftovers are removed: it needs no lock of its own.)
  // Not on this file system (EOPNOTSUPP), or not in this kernel (EISDIR): a named one.
  if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    *error = std::string("its folder takes no new file (") + std::strerror(errno) + ")";
    return false;
  }
  return true;
}

bool AtomicFile::OpenNamed(mode_t mode, std::string* error) {
  SignalsBlocked blocked;
  slot_ = FreeSlot();
  if (slot_ < 0) {
    *error = "too many files written at once";
    return false;
  }
  temporaries[slot_].folder = folder_;
  fd_ = WithNewName(temporaries[slot_].name, [&](const char* name) {
    const int fd = openat(folder_, name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return fd;
    // Locked as ours; another run may have taken it for a leftover just before and
    // removed it: then another name.
    Lock(fd, LOCK_EX);
    if (Names(folder_, name, fd)) return fd;
    close(fd);
    errno = EEXIST;
    return -1;
  });
  if (fd_ < 0) {
    *error = std::string("its folder takes no new file (") + std::strerror(errno) + ")";
    slot_ = -1;
    return false;
  }
  used[slot_] = 1;
  return true;
}

bool AtomicFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  const std::string folder = FolderOf(path);
  name_ = path.substr(folder.size());
  struct stat old;
  bool replacing;
  if (!MayReplace(path, &old, &replacing, error)) return false;
  folder_ = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) {
    *error = std::string("its folder cannot be opened (") + std::strerror(errno) + ")";
    return false;
  }
  // A new picture gets what a new file of the user gets; one that replaces a file
  // starts private and takes that file's mode below.
  const bool keepMode = replacing && S_ISREG(old.st_mode);
  const mode_t mode = keepMode ? 0600 : 0666;
  CatchSignals();
  if (!OpenUnnamed(mode, error)) return false;
  if (fd_ < 0 && !OpenNamed(mode, error)) return false;
  if (keepMode) {
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

bool AtomicFile::Failed(std::string* error) {
  *error = std::strerror(failure_);
  return false;
}

bool AtomicFile::Finish(std::string* error) {
  if (failure_ == 0 && fsync(fd_) != 0) failure_ = errno;
  // An unnamed file lives as long as its descriptor: it stays open until it has a name.
  // A named one is closed, for what a file system reports only then, but a second
  // descriptor keeps it locked until it has its own name.
  if (!unnamed_) {
    const int kept = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (kept >= 0) {
      if (close(fd_) != 0 && failure_ == 0) failure_ = errno;
      fd_ = kept;
    }
  }
  return failure_ == 0 || Failed(error);
}

bool AtomicFile::Prepare(std::string* error) {
  if (!unnamed_ || slot_ >= 0) return true;
  slot_ = FreeSlot();
  if (slot_ < 0) {
    *error = "too many files written at once";
    return false;
  }
  temporaries[slot_].folder = folder_;
  if (WithNewName(temporaries[slot_].name, [&](const char* name) { return Link(fd_, folder_, name); }) != 0) {
    failure_ = errno;
    slot_ = -1;
    return Failed(error);
  }
  used[slot_] = 1;
  return true;
}

bool AtomicFile::Place(std::string* error, bool replace) {
  int placed;
  if (slot_ < 0) {
    // An unnamed file that may replace nothing takes its name at once, or fails
    // (EEXIST) when the name is taken.
    placed = Link(fd_, folder_, name_.c_str());
  } else {
    const char* temporary = temporaries[slot_].name;
    placed = replace ? renameat(folder_, temporary, folder_, name_.c_str())
                     : renameat2(folder_, temporary, folder_, name_.c_str(), RENAME_NOREPLACE);
  }
  if (placed != 0) {
    failure_ = errno;
    return Failed(error);
  }
  if (slot_ >= 0) used[slot_] = 0;
  slot_ = -1;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  unnamed_ = false;
  return true;
}

bool AtomicFile::Commit(std::string* error, bool replace) {
  if (!Finish(error)) return false;
  {
    // Runs into one folder take turns while they name their files; whose turn it is
    // removes what killed runs left there. (Where the folder cannot be locked the file
    // is named all the same.)
    const bool locked = Lock(folder_, LOCK_EX);
    if (locked) RemoveLeftovers(folder_);
    bool placed;
    {
      SignalsBlocked blocked;
      placed = PlaceAlone(error, replace);
    }
    if (locked) flock(folder_, LOCK_UN);
    if (!placed) return false;
  }
  // The new name is on disk too once the folder is: a crash now keeps the new file.
  fsync(folder_);
  return true;
}

bool AtomicFile::PlaceAlone(std::string* error, bool replace) {
  // A file without a name takes its own at once where that is free; only one that
  // replaces a file goes through a temporary name.
  if (unnamed_ && replace) {
    if (Link(fd_, folder_, name_.c_str()) == 0) {
      close(fd_);
      fd_ = -1;
      unnamed_ = false;
      return true;
    }
    if (errno != EEXIST) {
      failure_ = errno;
      return Failed(error);
    }
  }
  return (!replace || Prepare(error)) && Place(error, replace);
}

bool CommitTogether(const std::vector<AtomicFile*>& files, std::string* error, std::string* failed) {
  for (AtomicFile* file : files)
    if (!file->Finish(error)) return *failed = file->Path(), false;
  {
    SignalsBlocked blocked;
    // Every temporary name first: making a name is what can fail (a full folder);
    // renaming one onto another cannot.
    for (AtomicFile* file : files)
      if (!file->Prepare(error)) return *failed = file->Path(), false;
    for (AtomicFile* file : files)
      if (!file->Place(error, true)) return *failed = file->Path(), false;
  }
  if (!files.empty()) fsync(files.front()->folder_);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  file.Write(data.data(), data.size());
  return file.Commit(error);
}

FolderLock::FolderLock(const std::string& folder) {
  fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0 || !Lock(fd_, LOCK_EX)) {
    error_ = std::strerror(errno);
    return;
  }
  RemoveLeftovers(fd_);
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace dreieck
