// Writing a file so that it is either complete or not there: the bytes go to a
// temporary file beside it, which takes the name only when everything was written and
// flushed to disk. The file it replaces keeps its mode (and owner, where permitted); a
// symbolic link of that name is replaced, not followed; anything else of that name (a
// folder, a FIFO, a device) and a file the user may not write are left alone, and the
// write fails. While a temporary file exists, the signals that end a program (SIGTERM,
// SIGINT, SIGHUP, SIGQUIT, ...) remove it before they end it as they would have, and a
// file grown beyond the size limit (SIGXFSZ) is a failed write.
#pragma once

#include <string>

namespace dreieck {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // an uncommitted temporary file is removed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Makes the temporary file in the folder of `path`; false (and `error` says why)
  // when that folder cannot take it.
  bool Open(const std::string& path, std::string* error);
  // False once any write failed; the first failure is kept for Commit to report.
  bool Write(const void* data, size_t size);
  // Why the first write failed; "" while none did.
  std::string Failure() const;
  // Flushes to disk and renames into place, then flushes the folder; false (and
  // `error`) when that failed, in which case the file of that name, if any, is as it
  // was. Without `replace` a file of that name is never replaced: the commit fails.
  bool Commit(std::string* error, bool replace = true);

 private:
  std::string path_;
  std::string name_;  // the last part of the path
  int folder_ = -1;  // the folder it goes into, open
  int slot_ = -1;    // of the temporary file's name, which the signal handler removes
  int fd_ = -1;
  int failure_ = 0;  // errno of the first failed write
};

// Writes `data` to `path` through an AtomicFile.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error);

}  // namespace dreieck
