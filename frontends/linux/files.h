// Writing a file so that it is either complete or not there. Where the file system
// makes files without a name (O_TMPFILE: ext4, XFS, Btrfs, tmpfs), the bytes go to such
// a file in the folder, which takes the name only when everything was written and
// flushed to disk: a program ended in any way meanwhile, SIGKILL and a crash included,
// leaves nothing behind. A new file takes its name at once; one that replaces a file
// takes a temporary name first, .dreieck-XXXXXX, and is renamed. Elsewhere the bytes go
// to such a temporary file from the start, renamed into place when complete. The
// signals that end a program (SIGTERM, SIGINT, SIGHUP, SIGQUIT, ...) remove a temporary
// name before they end it as they would have; SIGKILL leaves it. So a run names its
// files holding the folder's lock (flock), and a named temporary file is locked by its
// run from the start; whose turn it is removes the temporary names there whose lock
// nobody holds: what killed runs left. Either way a file grown beyond the size limit
// (SIGXFSZ) is a failed write.
//
// The file it replaces keeps its mode (and owner, where permitted); a symbolic link of
// that name is replaced, not followed; anything else of that name (a folder, a FIFO, a
// device) and a file the user may not write are left alone, and the write fails.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace dreieck {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // an uncommitted file is removed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Makes the file in the folder of `path`; false (and `error` says why) when that
  // folder cannot take it.
  bool Open(const std::string& path, std::string* error);
  // False once any write failed; the first failure is kept for Commit to report.
  bool Write(const void* data, size_t size);
  // Why the first write failed; "" while none did.
  std::string Failure() const;
  // Flushes to disk and gives it its name, then flushes the folder; false (and
  // `error`) when that failed, in which case the file of that name, if any, is as it
  // was. Without `replace` a file of that name is never replaced: the commit fails.
  bool Commit(std::string* error, bool replace = true);

  const std::string& Path() const { return path_; }

 private:
  friend bool CommitTogether(const std::vector<AtomicFile*>&, std::string*, std::string*);
  // The steps of a commit: the bytes on disk; a temporary name in the folder (for a file
  // that has none yet); the file's own name. The last two with the signals held back.
  bool Finish(std::string* error);
  bool Prepare(std::string* error);
  bool Place(std::string* error, bool replace);
  bool PlaceAlone(std::string* error, bool replace);  // a file committed by itself
  bool Failed(std::string* error);  // false, with the first failure in *error
  // The steps of opening: a file without a name, where the file system makes one
  // (false, with *error, when the folder takes none at all; true with fd_ -1 when only
  // unnamed ones are not to be had); else one under a temporary name.
  bool OpenUnnamed(mode_t mode, std::string* error);
  bool OpenNamed(mode_t mode, std::string* error);

  std::string path_;
  std::string name_;  // the last part of the path
  int folder_ = -1;   // the folder it goes into, open
  int slot_ = -1;     // of the temporary name, which the signal handler removes
  bool unnamed_ = false;  // an O_TMPFILE file, not yet linked into the folder
  int fd_ = -1;
  int failure_ = 0;  // errno of the first failed write
};

// Commits files of one folder together (--frames): each is flushed to disk, then, with
// the signals that end a program held back, each is given a temporary name and only
// when all have one do they take their own names. False (with *error, and *failed the
// file it is about) when one could not: then no file takes its name.
bool CommitTogether(const std::vector<AtomicFile*>& files, std::string* error, std::string* failed);

// Writes `data` to `path` through an AtomicFile.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error);

// A lock on a folder (flock on it), held while the object lives: programs that write a
// set of files into one folder take their turns. Waits while another holds it; once it
// holds it, removes what killed runs left there.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  // "" once held, else why not.
  const std::string& Error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace dreieck
