// errno -> DOS/Windows error numbers, and the per-thread system message.
#include "platform/error_codes.h"

#include <cerrno>

namespace platform {

int FromErrno(int errno_value, IoContext context) {
  switch (errno_value) {
    case 0:
      return error::kNone;
    case ENOENT:
      return error::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return error::kPathNotFound;
    case EMFILE:
    case ENFILE:
      return error::kTooManyOpenFiles;
    case EACCES:
      // fcntl may refuse a held lock with EACCES; on a lock call it means
      // "held elsewhere", not "no right".
      return context == IoContext::kLock ? error::kLockViolation : error::kAccessDenied;
    case EAGAIN:
      return context == IoContext::kLock ? error::kLockViolation : error::kGeneralFailure;
    case EPERM:
    case EISDIR:
    case ETXTBSY:
    case EEXIST:
      return error::kAccessDenied;
    case EBADF:
      return error::kInvalidHandle;
    case ENOMEM:
      return error::kNotEnoughMemory;
    case EROFS:
      return error::kWriteProtected;
    case ESPIPE:
    case EOVERFLOW:
      return error::kSeekError;
    case EINVAL:
      return context == IoContext::kOpen ? error::kInvalidAccess : error::kSeekError;
    case EIO:
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      if (context == IoContext::kRead) return error::kReadError;
      if (context == IoContext::kWrite) return error::kWriteError;
      return errno_value == EIO ? error::kGeneralFailure : error::kWriteError;
    default:
      if (context == IoContext::kRead) return error::kReadError;
      if (context == IoContext::kWrite) return error::kWriteError;
      return error::kGeneralFailure;
  }
}

namespace {
thread_local std::string last_message;
}  // namespace

const std::string& LastSystemMessage() { return last_message; }
void SetLastSystemMessage(std::string text) { last_message = std::move(text); }

}  // namespace platform
