/* notmpfile: a file system without files that have no name (O_TMPFILE), as NFS, FAT
 * and older kernels are, for a program it is preloaded into:
 *
 *   LD_PRELOAD=notmpfile.so PROGRAM...
 *
 * openat() with O_TMPFILE fails with EOPNOTSUPP, as it does there; every other call
 * goes to the kernel unchanged. Build: cc -shared -fPIC -o notmpfile.so notmpfile.c (it
 * compiles as C++ as well).
 */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifdef __cplusplus
extern "C"
#endif
int openat(int folder, const char *path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list args;
    va_start(args, flags);
    mode = (mode_t)va_arg(args, int);
    va_end(args);
  }
  if ((flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return (int)syscall(SYS_openat, folder, path, flags, mode);
}
