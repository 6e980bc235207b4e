#include "tests/support/crash_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qptest {
namespace {

constexpr int kGone = 6;         // invalid handle: the process has stopped
constexpr int kDiskFull = 101;   // what the platform makes of ENOSPC on a write

class CrashFile : public platform::FileWrapper {
 public:
  CrashFile(std::unique_ptr<platform::File> target, CrashFiles& owner)
      : FileWrapper(std::move(target)), owner_(owner) {}
  int ReadAt(uint64_t o, std::span<uint8_t> out, size_t& r) override {
    r = 0;
    if (int rc = owner_.Count(false)) return rc;
    return FileWrapper::ReadAt(o, out, r);
  }
  int WriteAt(uint64_t o, std::span<const uint8_t> d) override {
    if (int rc = owner_.Count(true)) return rc;
    owner_.BeforeChange(Path(), o, d.size());
    return FileWrapper::WriteAt(o, d);
  }
  int Truncate(uint64_t s) override {
    if (int rc = owner_.Count(false)) return rc;
    owner_.BeforeChange(Path(), s, UINT64_MAX);
    return FileWrapper::Truncate(s);
  }
  // The real fsync is left out: durability is what this wrapper models,
  // and a disk flush per call would make the loops slow for nothing.
  int Flush() override {
    if (int rc = owner_.Count(false)) return rc;
    owner_.Durable(Path());
    return 0;
  }
  int Size(uint64_t& s) override {
    if (int rc = owner_.Count(false)) return rc;
    return FileWrapper::Size(s);
  }
  int ModifiedTime(int64_t& s) override {
    if (int rc = owner_.Count(false)) return rc;
    return FileWrapper::ModifiedTime(s);
  }
  int Lock(uint64_t o, uint64_t l) override {
    if (int rc = owner_.Count(false)) return rc;
    return FileWrapper::Lock(o, l);
  }
  int Unlock(uint64_t o, uint64_t l) override {
    if (int rc = owner_.Count(false)) return rc;
    return FileWrapper::Unlock(o, l);
  }

 private:
  CrashFiles& owner_;
};

platform::FileSystem* installed = nullptr;

}  // namespace

CrashFiles::CrashFiles()
    : FileSystemWrapper(platform::Files()),
      previous_(installed),
      previous_was_default_(installed == nullptr) {
  installed = this;
  platform::SetFiles(this);
}

CrashFiles::~CrashFiles() {
  for (auto& [ino, log] : logs_)
    if (log.fd >= 0) ::close(log.fd);
  installed = previous_;
  platform::SetFiles(previous_was_default_ ? nullptr : previous_);
}

void CrashFiles::CrashAt(int n) { crash_at_ = n; }
void CrashFiles::FillDiskAt(int n) { full_at_ = n; }

int CrashFiles::Count(bool is_write) {
  if (crashed_) return kGone;
  ++calls_;
  if (crash_at_ > 0 && calls_ == crash_at_) {
    fired_ = true;
    Crash();
    return kGone;
  }
  if (full_at_ > 0 && calls_ >= full_at_ && is_write) {
    fired_ = true;
    return kDiskFull;
  }
  return 0;
}

CrashFiles::Log* CrashFiles::LogFor(const std::string& path) {
  struct stat st {};
  const std::string real = target_.Resolve(path);
  if (::stat(real.empty() ? path.c_str() : real.c_str(), &st) != 0) return nullptr;
  Log& log = logs_[st.st_ino];
  if (log.fd < 0) log.fd = ::open(real.empty() ? path.c_str() : real.c_str(), O_RDWR);
  return log.fd >= 0 ? &log : nullptr;
}

void CrashFiles::BeforeChange(const std::string& path, uint64_t offset, uint64_t length) {
  Log* log = LogFor(path);
  if (log == nullptr) return;
  struct stat st {};
  if (::fstat(log->fd, &st) != 0) return;
  Undo undo;
  undo.offset = offset;
  undo.old_size = static_cast<uint64_t>(st.st_size);
  if (offset < undo.old_size) {
    const uint64_t end = length == UINT64_MAX ? undo.old_size : std::min(undo.old_size, offset + length);
    undo.old_bytes.resize(end - offset);
    const ssize_t got = ::pread(log->fd, undo.old_bytes.data(), undo.old_bytes.size(), static_cast<off_t>(offset));
    undo.old_bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  }
  log->undo.push_back(std::move(undo));
}

void CrashFiles::Durable(const std::string& path) {
  if (Log* log = LogFor(path)) log->undo.clear();
}

void CrashFiles::Crash() {
  crashed_ = true;
  for (auto& [ino, log] : logs_) {
    for (auto it = log.undo.rbegin(); it != log.undo.rend(); ++it) {
      if (!it->old_bytes.empty())
        (void)::pwrite(log.fd, it->old_bytes.data(), it->old_bytes.size(), static_cast<off_t>(it->offset));
      (void)::ftruncate(log.fd, static_cast<off_t>(it->old_size));
    }
    log.undo.clear();
  }
}

int CrashFiles::Open(const std::string& p, int m, std::unique_ptr<platform::File>& o) {
  o.reset();
  if (int rc = Count(false)) return rc;
  std::unique_ptr<platform::File> real;
  const int rc = target_.Open(p, m, real);
  if (rc == 0) o = std::make_unique<CrashFile>(std::move(real), *this);
  return rc;
}

int CrashFiles::Create(const std::string& p, int m, std::unique_ptr<platform::File>& o) {
  o.reset();
  if (int rc = Count(true)) return rc;
  // Creating truncates an existing file: that, too, is undone by a crash
  // until the new contents are flushed.
  if (target_.Exists(p)) BeforeChange(p, 0, UINT64_MAX);
  std::unique_ptr<platform::File> real;
  const int rc = target_.Create(p, m, real);
  if (rc != 0) return rc;
  o = std::make_unique<CrashFile>(std::move(real), *this);
  BeforeChange(p, 0, 0);  // a new file: a crash leaves it empty
  return 0;
}

// A file that is gone takes its undo log with it; its inode number may
// come back for a new file.
void CrashFiles::Forget(const std::string& path) {
  const std::string real = target_.Resolve(path);
  struct stat st {};
  if (real.empty() || ::stat(real.c_str(), &st) != 0) return;
  auto it = logs_.find(st.st_ino);
  if (it == logs_.end()) return;
  if (it->second.fd >= 0) ::close(it->second.fd);
  logs_.erase(it);
}

int CrashFiles::Delete(const std::string& p) {
  if (int rc = Count(false)) return rc;
  Forget(p);
  return target_.Delete(p);
}

int CrashFiles::Rename(const std::string& f, const std::string& t) {
  if (int rc = Count(false)) return rc;
  if (target_.Exists(t)) Forget(t);
  return target_.Rename(f, t);
}

int CrashFiles::TempFileName(const std::string& pre, std::string& o) {
  if (int rc = Count(true)) return rc;
  return target_.TempFileName(pre, o);
}

int CrashFiles::DiskFreeBytes(const std::string& p, uint64_t& o) {
  if (int rc = Count(false)) return rc;
  return target_.DiskFreeBytes(p, o);
}

}  // namespace qptest
