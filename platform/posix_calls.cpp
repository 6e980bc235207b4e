// The libc entries behind Posix().
#include "platform/posix_calls.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace platform {
namespace {

const PosixCalls kReal = {
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    ::close,
    ::pread,
    ::pwrite,
    ::ftruncate,
    ::fsync,
    [](int fd, struct stat* st) { return ::fstat(fd, st); },
    [](const char* path, struct stat* st) { return ::stat(path, st); },
    [](int fd, int command, struct flock* lock) { return ::fcntl(fd, command, lock); },
    ::unlink,
    ::rename,
    ::mkstemps,
    [](const char* path, struct statvfs* out) { return ::statvfs(path, out); },
};

}  // namespace

PosixCalls& Posix() {
  static PosixCalls calls = kReal;
  return calls;
}

const PosixCalls& RealPosix() { return kReal; }

}  // namespace platform
