// Linux files with Windows share modes and byte-range locks.
//
// Share modes: four bytes from kShareLockBase stand for "this open reads",
// "writes", "denies reading" and "denies writing". An open read-locks the
// bytes of its own access and denials first and only then probes, with a
// write-lock query, the bytes that would conflict with it. Because every
// open publishes itself before it looks, of two racing opens that conflict
// at least one sees the other and backs off; both may back off, never both
// succeed. Everything is an OFD lock, so opens within one process conflict
// as opens in different processes do, and a killed holder's locks vanish
// with its descriptors.
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/error_codes.h"
#include "platform/linux_file.h"
#include "platform/posix_calls.h"

namespace platform::detail {
namespace {

constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());

enum ShareByte : uint64_t { kReads = 0, kWrites = 1, kDeniesRead = 2, kDeniesWrite = 3 };

struct ModeParts {
  bool reads = false;
  bool writes = false;
  bool deny_read = false;
  bool deny_write = false;
};

bool SplitMode(int mode, ModeParts& parts) {
  switch (mode & 0x07) {
    case open_mode::kRead:
      parts.reads = true;
      break;
    case open_mode::kWrite:
      parts.writes = true;
      break;
    case open_mode::kReadWrite:
      parts.reads = parts.writes = true;
      break;
    default:
      return false;
  }
  switch (mode & 0x70) {
    case open_mode::kDenyCompat:
    case open_mode::kDenyAll:
      parts.deny_read = parts.deny_write = true;
      break;
    case open_mode::kDenyWrite:
      parts.deny_write = true;
      break;
    case open_mode::kDenyRead:
      parts.deny_read = true;
      break;
    case open_mode::kDenyNone:
      break;
    default:
      return false;
  }
  return (mode & ~0x77) == 0;
}

int LockRange(int fd, short type, int command, uint64_t offset, uint64_t length, struct flock& fl) {
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  return Posix().fcntl_lock(fd, command, &fl);
}

bool TakeShareByte(int fd, ShareByte byte) {
  struct flock fl;
  return LockRange(fd, F_RDLCK, F_OFD_SETLK, kShareLockBase + byte, 1, fl) == 0;
}

// True when another open holds the byte.
bool ShareByteHeldElsewhere(int fd, ShareByte byte) {
  struct flock fl;
  if (LockRange(fd, F_WRLCK, F_OFD_GETLK, kShareLockBase + byte, 1, fl) != 0) return true;
  return fl.l_type != F_UNLCK;
}

// 0, or 32 when the open conflicts with another open of the file.
int ClaimShare(int fd, const ModeParts& p) {
  const std::pair<bool, ShareByte> own[] = {{p.reads, kReads},
                                            {p.writes, kWrites},
                                            {p.deny_read, kDeniesRead},
                                            {p.deny_write, kDeniesWrite}};
  for (const auto& [wanted, byte] : own)
    if (wanted && !TakeShareByte(fd, byte)) return error::kSharingViolation;
  const std::pair<bool, ShareByte> probes[] = {{p.reads, kDeniesRead},
                                               {p.writes, kDeniesWrite},
                                               {p.deny_read, kReads},
                                               {p.deny_write, kWrites}};
  for (const auto& [wanted, byte] : probes)
    if (wanted && ShareByteHeldElsewhere(fd, byte)) return error::kSharingViolation;
  return error::kNone;
}

int NotAllowed(const char* why) {
  SetLastSystemMessage(why);
  return error::kAccessDenied;
}

class LinuxFile final : public File {
 public:
  LinuxFile(int fd, bool writable_fd, int mode, std::string path)
      : fd_(fd), writable_fd_(writable_fd), mode_(mode), path_(std::move(path)) {
    SplitMode(mode, parts_);
  }
  // close() is not retried on EINTR: the descriptor is gone either way.
  ~LinuxFile() override { Posix().close(fd_); }

  int ReadAt(uint64_t offset, std::span<uint8_t> out, size_t& read) override {
    read = 0;
    if (!parts_.reads) return NotAllowed("The file is not open for reading");
    if (offset > kMaxOffset || out.size() > kMaxOffset - offset) return error::kSeekError;
    while (read < out.size()) {
      ssize_t n = Posix().pread(fd_, out.data() + read, out.size() - read,
                                static_cast<off_t>(offset + read));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return SystemError(errno, IoContext::kRead);
      if (n == 0) break;  // end of file
      read += static_cast<size_t>(n);
    }
    return error::kNone;
  }

  int WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    if (!parts_.writes) return NotAllowed("The file is not open for writing");
    if (offset > kMaxOffset || data.size() > kMaxOffset - offset) return error::kSeekError;
    size_t done = 0;
    while (done < data.size()) {
      ssize_t n = Posix().pwrite(fd_, data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return SystemError(errno, IoContext::kWrite);
      if (n == 0) return SystemError(ENOSPC, IoContext::kWrite);
      done += static_cast<size_t>(n);
    }
    return error::kNone;
  }

  int Truncate(uint64_t size) override {
    if (!parts_.writes) return NotAllowed("The file is not open for writing");
    if (size > kMaxOffset) return error::kSeekError;
    int rc;
    do rc = Posix().ftruncate(fd_, static_cast<off_t>(size));
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? error::kNone : SystemError(errno, IoContext::kWrite);
  }

  int Flush() override {
    return Posix().fsync(fd_) == 0 ? error::kNone : SystemError(errno, IoContext::kWrite);
  }

  int Size(uint64_t& size) override {
    struct stat st;
    if (Posix().fstat(fd_, &st) != 0) return SystemError(errno, IoContext::kOther);
    size = static_cast<uint64_t>(st.st_size);
    return error::kNone;
  }

  int ModifiedTime(int64_t& seconds) override {
    struct stat st;
    if (Posix().fstat(fd_, &st) != 0) return SystemError(errno, IoContext::kOther);
    seconds = st.st_mtim.tv_sec;
    return error::kNone;
  }

  // A zero-length range locks nothing and succeeds, as LockFile does. A
  // descriptor opened read-only (the file is not writable to us) can only
  // hold shared locks; those still keep out every exclusive lock.
  int Lock(uint64_t offset, uint64_t length) override {
    if (length == 0) return error::kNone;
    if (offset > kMaxOffset || length > kMaxOffset - offset) return error::kLockViolation;
    struct flock fl;
    short type = writable_fd_ ? F_WRLCK : F_RDLCK;
    if (LockRange(fd_, type, F_OFD_SETLK, offset, length, fl) == 0) return error::kNone;
    return SystemError(errno, IoContext::kLock);
  }

  int Unlock(uint64_t offset, uint64_t length) override {
    if (length == 0) return error::kNone;
    if (offset > kMaxOffset || length > kMaxOffset - offset) return error::kLockViolation;
    struct flock fl;
    if (LockRange(fd_, F_UNLCK, F_OFD_SETLK, offset, length, fl) == 0) return error::kNone;
    return SystemError(errno, IoContext::kLock);
  }

  int Mode() const override { return mode_; }
  const std::string& Path() const override { return path_; }

 private:
  int fd_;
  bool writable_fd_;
  int mode_;
  std::string path_;
  ModeParts parts_;
};

}  // namespace

int SystemError(int errno_value, IoContext context) {
  SetLastSystemMessage(std::strerror(errno_value));
  return FromErrno(errno_value, context);
}

int OpenLinuxFile(const std::string& path, int mode, bool create, std::unique_ptr<File>& out) {
  out.reset();
  ModeParts parts;
  if (!SplitMode(mode, parts)) {
    SetLastSystemMessage("Invalid open mode");
    return error::kInvalidAccess;
  }
  // The descriptor always reads (read locks need it) and writes whenever it
  // may, so that byte-range locks can be exclusive even on read-only opens;
  // the File itself refuses writes its mode does not allow.
  const int base_flags = O_CLOEXEC | (create ? O_CREAT : 0);
  int fd = Posix().open(path.c_str(), base_flags | O_RDWR, 0666);
  bool writable = fd >= 0;
  if (fd < 0 && !parts.writes && !create && (errno == EACCES || errno == EROFS || errno == ETXTBSY))
    fd = Posix().open(path.c_str(), base_flags | O_RDONLY, 0666);
  if (fd < 0) return SystemError(errno, IoContext::kOpen);

  if (int rc = ClaimShare(fd, parts); rc != error::kNone) {
    Posix().close(fd);
    SetLastSystemMessage("The file is in use by another open");
    return rc;
  }
  if (create && Posix().ftruncate(fd, 0) != 0) {
    int err = errno;
    Posix().close(fd);
    return SystemError(err, IoContext::kWrite);
  }
  out = std::make_unique<LinuxFile>(fd, writable, mode, path);
  return error::kNone;
}

}  // namespace platform::detail
