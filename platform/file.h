#pragma once
// Files as the engine sees them: opened with Windows-style access and share
// modes, read and written at explicit offsets, locked by byte ranges.
//
// Share modes are emulated with open-file-description (OFD) locks on a few
// reserved bytes far above every lock region the engine uses, so that
// cooperating processes refuse each other's opens as Windows share modes do.
// OFD locks belong to the open file, not to the process: two opens of one
// file in the same process conflict exactly like opens in two processes.
// Every lock call is non-blocking; a refused lock is reported at once.
//
// Every call returns 0 or an error number from platform/error_codes.h (the
// DOS/Windows numbers the engine's messages use: 2 file not found, 5 access
// denied, 32 sharing violation, 33 lock violation, 100 read error, 101 write
// error, ...). The system's own text for the last failure is kept per thread
// (LastSystemMessage) for messages that want it.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

// Open modes: access in bits 0..2, sharing in bits 4..6, as in DOS/Windows.
namespace open_mode {
inline constexpr int kRead = 0x00;
inline constexpr int kWrite = 0x01;
inline constexpr int kReadWrite = 0x02;
inline constexpr int kDenyCompat = 0x00;  // compatibility mode: treated as deny all
inline constexpr int kDenyAll = 0x10;
inline constexpr int kDenyWrite = 0x20;
inline constexpr int kDenyRead = 0x30;
inline constexpr int kDenyNone = 0x40;
inline constexpr int kShared = kReadWrite | kDenyNone;          // 0x42
inline constexpr int kExclusive = kReadWrite | kDenyAll;        // 0x12
inline constexpr int kReadOnlyShared = kRead | kDenyNone;       // 0x40
inline constexpr int kReadOnlyExclusive = kRead | kDenyCompat;  // 0x00
}  // namespace open_mode

// Byte offset from which the share-mode emulation reserves its bytes. Lock
// regions used by the engine stay far below it.
inline constexpr uint64_t kShareLockBase = 0x7FFF'FFFF'0000'0000ULL;

class File {
 public:
  virtual ~File() = default;
  // Reads up to out.size() bytes at offset. `read` receives the count; fewer
  // bytes than asked (end of file) is not an error.
  virtual int ReadAt(uint64_t offset, std::span<uint8_t> out, size_t& read) = 0;
  // Writes all of data at offset, or fails (a short write is error 101).
  virtual int WriteAt(uint64_t offset, std::span<const uint8_t> data) = 0;
  virtual int Truncate(uint64_t size) = 0;
  virtual int Flush() = 0;
  virtual int Size(uint64_t& size) = 0;
  // Last modification time, seconds since 1970-01-01 UTC.
  virtual int ModifiedTime(int64_t& seconds) = 0;
  // Non-blocking byte-range lock (exclusive) and unlock. A range held by
  // another open of the file is refused with 33 at once. A zero-length range
  // succeeds and locks nothing. When the file could only be opened read-only
  // (no write permission) the lock is a shared one, which still keeps every
  // exclusive lock out.
  virtual int Lock(uint64_t offset, uint64_t length) = 0;
  virtual int Unlock(uint64_t offset, uint64_t length) = 0;
  // The mode the file was opened with.
  virtual int Mode() const = 0;
  virtual const std::string& Path() const = 0;
};

// The file system services. One instance is in force (Files()); tests put a
// FileSystemWrapper in front of it to fail or observe single calls.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file. Names are matched like on Windows: the exact
  // name first, otherwise a case-insensitive match of the last component.
  virtual int Open(const std::string& path, int mode, std::unique_ptr<File>& out) = 0;
  // Creates the file, or truncates it to 0 bytes when it exists (an existing
  // file found case-insensitively is reused), and opens it with `mode`.
  virtual int Create(const std::string& path, int mode, std::unique_ptr<File>& out) = 0;
  virtual int Delete(const std::string& path) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // The existing file's real name for `path` (case-insensitive match as in
  // Open), or empty when there is none.
  virtual std::string Resolve(const std::string& path) = 0;
  bool Exists(const std::string& path) { return !Resolve(path).empty(); }
  // Creates an empty file with a unique name "<prefix>XXXXXX.TMP" in the
  // temporary folder ($TMPDIR or /tmp) and returns its path.
  virtual int TempFileName(const std::string& prefix, std::string& out) = 0;
  // Bytes available to the user on the volume holding `path`.
  virtual int DiskFreeBytes(const std::string& path, uint64_t& out) = 0;
};

FileSystem& Files();
// Puts `fs` in force (nullptr restores the real one). The caller keeps
// ownership and must restore before `fs` dies.
void SetFiles(FileSystem* fs);

// Forwards every call to another FileSystem; tests derive from it and
// override the one call they want to fail or watch.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}
  int Open(const std::string& p, int m, std::unique_ptr<File>& o) override {
    return target_.Open(p, m, o);
  }
  int Create(const std::string& p, int m, std::unique_ptr<File>& o) override {
    return target_.Create(p, m, o);
  }
  int Delete(const std::string& p) override { return target_.Delete(p); }
  int Rename(const std::string& f, const std::string& t) override { return target_.Rename(f, t); }
  std::string Resolve(const std::string& p) override { return target_.Resolve(p); }
  int TempFileName(const std::string& pre, std::string& o) override {
    return target_.TempFileName(pre, o);
  }
  int DiskFreeBytes(const std::string& p, uint64_t& o) override {
    return target_.DiskFreeBytes(p, o);
  }

 protected:
  FileSystem& target_;
};

// Forwards every call to another File (see FileSystemWrapper).
class FileWrapper : public File {
 public:
  explicit FileWrapper(std::unique_ptr<File> target) : target_(std::move(target)) {}
  int ReadAt(uint64_t o, std::span<uint8_t> out, size_t& r) override {
    return target_->ReadAt(o, out, r);
  }
  int WriteAt(uint64_t o, std::span<const uint8_t> d) override { return target_->WriteAt(o, d); }
  int Truncate(uint64_t s) override { return target_->Truncate(s); }
  int Flush() override { return target_->Flush(); }
  int Size(uint64_t& s) override { return target_->Size(s); }
  int ModifiedTime(int64_t& s) override { return target_->ModifiedTime(s); }
  int Lock(uint64_t o, uint64_t l) override { return target_->Lock(o, l); }
  int Unlock(uint64_t o, uint64_t l) override { return target_->Unlock(o, l); }
  int Mode() const override { return target_->Mode(); }
  const std::string& Path() const override { return target_->Path(); }

 protected:
  std::unique_ptr<File> target_;
};

}  // namespace platform
