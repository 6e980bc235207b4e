#pragma once
// The system calls the file layer makes, each reached through one function
// pointer so a test can replace a single call (make fsync fail, count
// preads) and put the original back. Posix() starts out pointing at libc.
// Replacements are process-wide; a test restores what it changed.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>

namespace platform {

struct PosixCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  int (*close)(int fd);
  ssize_t (*pread)(int fd, void* buf, size_t count, off_t offset);
  ssize_t (*pwrite)(int fd, const void* buf, size_t count, off_t offset);
  int (*ftruncate)(int fd, off_t length);
  int (*fsync)(int fd);
  int (*fstat)(int fd, struct stat* st);
  int (*stat)(const char* path, struct stat* st);
  // fcntl with a struct flock argument (F_OFD_SETLK, F_OFD_GETLK).
  int (*fcntl_lock)(int fd, int command, struct flock* lock);
  int (*unlink)(const char* path);
  int (*rename)(const char* from, const char* to);
  int (*mkstemps)(char* name_template, int suffix_length);
  int (*statvfs)(const char* path, struct statvfs* out);
};

PosixCalls& Posix();
// The libc entries, for restoring after a test replaced some.
const PosixCalls& RealPosix();

}  // namespace platform
