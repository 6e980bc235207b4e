#pragma once
// The error numbers that reach the engine's messages. They are the DOS and
// Windows numbers, because stored messages and callers compare against them;
// FromErrno is the one place where a POSIX errno becomes one of them.
#include <string>

namespace platform {

namespace error {
inline constexpr int kNone = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInvalidHandle = 6;
inline constexpr int kNotEnoughMemory = 8;
inline constexpr int kInvalidAccess = 12;
inline constexpr int kNoMoreFiles = 18;
inline constexpr int kWriteProtected = 19;
inline constexpr int kSeekError = 25;
inline constexpr int kGeneralFailure = 31;
inline constexpr int kSharingViolation = 32;
inline constexpr int kLockViolation = 33;
inline constexpr int kReadError = 100;
inline constexpr int kWriteError = 101;
}  // namespace error

// What the failing call was doing: an EIO is a read error (100) on a read and
// a write error (101) on a write; EAGAIN/EACCES on a lock call mean the range
// is held by another open (33).
enum class IoContext { kOpen, kRead, kWrite, kOther, kLock };

int FromErrno(int errno_value, IoContext context);

// The system's text for the last failure of this thread, e.g.
// "No such file or directory", for messages that want the detail.
const std::string& LastSystemMessage();
void SetLastSystemMessage(std::string text);

}  // namespace platform
