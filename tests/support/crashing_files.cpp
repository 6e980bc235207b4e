#include "tests/support/crashing_files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/error_codes.h"

namespace qptest {
namespace {

// One spelling per file, so two opens of it share their held bytes.
std::string KeyOf(const std::string& path) {
  return std::filesystem::absolute(path).lexically_normal().string();
}

bool Writable(int mode) { return (mode & 0x07) != platform::open_mode::kRead; }

}  // namespace

// A file whose writes wait in the owner's held bytes until Flush. After a
// crash it has let its real file go and every call fails.
class CrashingFiles::HeldFile : public platform::File {
 public:
  HeldFile(std::unique_ptr<platform::File> real, CrashingFiles& owner)
      : real_(std::move(real)), owner_(&owner), key_(KeyOf(real_->Path())),
        path_(real_->Path()), mode_(real_->Mode()) {
    owner_->open_.insert(this);
  }
  ~HeldFile() override {
    if (owner_ != nullptr) owner_->open_.erase(this);
  }

  int ReadAt(uint64_t o, std::span<uint8_t> out, size_t& r) override {
    r = 0;
    if (int rc = Enter(platform::error::kReadError)) return rc;
    Held* held = owner_->FindHeld(key_);
    if (held == nullptr) return real_->ReadAt(o, out, r);
    if (o >= held->bytes.size()) return 0;
    r = std::min<uint64_t>(out.size(), held->bytes.size() - o);
    std::copy_n(held->bytes.begin() + static_cast<ptrdiff_t>(o), r, out.begin());
    return 0;
  }
  int WriteAt(uint64_t o, std::span<const uint8_t> d) override {
    if (int rc = Enter(platform::error::kWriteError)) return rc;
    if (!Writable(mode_)) return platform::error::kAccessDenied;
    int rc = 0;
    Held* held = owner_->HeldFor(key_, *real_, rc);
    if (held == nullptr) return rc;
    // A full disk refuses only writes that need new space.
    if (owner_->disk_full_ && o + d.size() > held->bytes.size()) return DiskFullCode();
    if (held->bytes.size() < o + d.size()) held->bytes.resize(o + d.size());
    std::copy(d.begin(), d.end(), held->bytes.begin() + static_cast<ptrdiff_t>(o));
    return 0;
  }
  int Truncate(uint64_t s) override {
    if (int rc = Enter(platform::error::kWriteError)) return rc;
    if (!Writable(mode_)) return platform::error::kAccessDenied;
    int rc = 0;
    Held* held = owner_->HeldFor(key_, *real_, rc);
    if (held == nullptr) return rc;
    held->bytes.resize(s);
    return 0;
  }
  int Flush() override {
    if (int rc = Enter(platform::error::kWriteError)) return rc;
    if (owner_->FindHeld(key_) != nullptr && Writable(mode_)) {
      if (int rc = owner_->WriteBack(key_, *real_)) return rc;
    }
    return real_->Flush();
  }
  int Size(uint64_t& s) override {
    if (int rc = Enter(platform::error::kAccessDenied)) return rc;
    if (Held* held = owner_->FindHeld(key_)) {
      s = held->bytes.size();
      return 0;
    }
    return real_->Size(s);
  }
  int ModifiedTime(int64_t& s) override {
    if (int rc = Enter(platform::error::kAccessDenied)) return rc;
    return real_->ModifiedTime(s);
  }
  int Lock(uint64_t o, uint64_t l) override {
    if (int rc = Enter(platform::error::kLockViolation)) return rc;
    return real_->Lock(o, l);
  }
  int Unlock(uint64_t o, uint64_t l) override {
    if (int rc = Enter(platform::error::kLockViolation)) return rc;
    return real_->Unlock(o, l);
  }
  int Mode() const override { return mode_; }
  const std::string& Path() const override { return path_; }

  const std::string& key() const { return key_; }
  platform::File* real() { return real_.get(); }
  // The process has stopped: the system closes its files.
  void Close() { real_.reset(); }
  // The wrapper is gone: every later call fails.
  void Orphan() {
    Close();
    owner_ = nullptr;
  }

 private:
  int Enter(int natural_code) { return owner_ != nullptr ? owner_->Enter(natural_code) : natural_code; }

  std::unique_ptr<platform::File> real_;
  CrashingFiles* owner_;
  std::string key_;
  std::string path_;
  int mode_;
};

CrashingFiles::CrashingFiles()
    : FileSystemWrapper(platform::Files()), previous_(platform::Files()) {
  platform::SetFiles(this);
}

CrashingFiles::~CrashingFiles() {
  if (!crashed_) WriteBackAll();
  for (HeldFile* file : open_) file->Orphan();
  platform::SetFiles(&previous_);
}

void CrashingFiles::CrashAt(int n) {
  crash_at_ = n;
  keep_held_at_crash_ = false;
  calls_ = 0;
}

void CrashingFiles::KillAt(int n) {
  CrashAt(n);
  keep_held_at_crash_ = true;
}

void CrashingFiles::DiskFullFrom(int n) {
  disk_full_at_ = n;
  calls_ = 0;
}

int CrashingFiles::DiskFullCode() {
  return platform::FromErrno(ENOSPC, platform::IoContext::kWrite);
}

int CrashingFiles::Enter(int natural_code) {
  if (crashed_) return natural_code;
  ++calls_;
  if (disk_full_at_ != 0 && calls_ >= disk_full_at_) disk_full_ = true;
  if (crash_at_ != 0 && calls_ == crash_at_) {
    Crash();
    return natural_code;
  }
  return 0;
}

void CrashingFiles::Crash() {
  crashed_ = true;
  if (keep_held_at_crash_) WriteBackAll();
  held_.clear();
  for (HeldFile* file : open_) file->Close();
}

CrashingFiles::Held* CrashingFiles::FindHeld(const std::string& key) {
  auto it = held_.find(key);
  return it == held_.end() ? nullptr : &it->second;
}

CrashingFiles::Held* CrashingFiles::HeldFor(const std::string& key, platform::File& file, int& rc) {
  if (Held* held = FindHeld(key)) return held;
  uint64_t size = 0;
  if ((rc = file.Size(size)) != 0) return nullptr;
  Held loaded;
  loaded.bytes.resize(size);
  size_t read = 0;
  if ((rc = file.ReadAt(0, loaded.bytes, read)) != 0) return nullptr;
  loaded.bytes.resize(read);
  return &(held_[key] = std::move(loaded));
}

int CrashingFiles::WriteBack(const std::string& key, platform::File& file) {
  Held* held = FindHeld(key);
  if (held == nullptr) return 0;
  if (int rc = file.Truncate(0)) return rc;
  if (int rc = file.WriteAt(0, held->bytes)) return rc;
  held_.erase(key);
  return 0;
}

void CrashingFiles::WriteBackAll() {
  // Through an open that can write when there is one (a deny-all open keeps
  // every other open out), else through a fresh open of our own.
  for (HeldFile* file : open_) {
    if (Writable(file->Mode()) && file->real() != nullptr) WriteBack(file->key(), *file->real());
  }
  while (!held_.empty()) {
    const std::string key = held_.begin()->first;
    std::unique_ptr<platform::File> file;
    if (target_.Open(key, platform::open_mode::kShared, file) == 0) WriteBack(key, *file);
    held_.erase(key);
  }
}

int CrashingFiles::Wrap(int rc, std::unique_ptr<platform::File>& o) {
  if (rc == 0) o = std::make_unique<HeldFile>(std::move(o), *this);
  return rc;
}

int CrashingFiles::Open(const std::string& p, int m, std::unique_ptr<platform::File>& o) {
  o.reset();
  if (int rc = Enter(platform::error::kAccessDenied)) return rc;
  return Wrap(target_.Open(p, m, o), o);
}

int CrashingFiles::Create(const std::string& p, int m, std::unique_ptr<platform::File>& o) {
  o.reset();
  if (int rc = Enter(platform::error::kAccessDenied)) return rc;
  int rc = Wrap(target_.Create(p, m, o), o);
  // Creating empties the file on disk; what was held for it is gone.
  if (rc == 0) held_.erase(KeyOf(o->Path()));
  return rc;
}

int CrashingFiles::Delete(const std::string& p) {
  if (int rc = Enter(platform::error::kAccessDenied)) return rc;
  const std::string real = target_.Resolve(p);
  int rc = target_.Delete(p);
  if (rc == 0 && !real.empty()) held_.erase(KeyOf(real));
  return rc;
}

int CrashingFiles::Rename(const std::string& f, const std::string& t) {
  if (int rc = Enter(platform::error::kAccessDenied)) return rc;
  const std::string from = target_.Resolve(f);
  int rc = target_.Rename(f, t);
  if (rc != 0 || from.empty()) return rc;
  // The held bytes travel with the file; those of a file it replaced are gone.
  auto node = held_.extract(KeyOf(from));
  const std::string to = target_.Resolve(t);
  held_.erase(KeyOf(to.empty() ? t : to));
  if (!node.empty()) {
    node.key() = KeyOf(to.empty() ? t : to);
    held_.insert(std::move(node));
  }
  return rc;
}

int CrashingFiles::TempFileName(const std::string& pre, std::string& o) {
  if (int rc = Enter(platform::error::kAccessDenied)) return rc;
  return target_.TempFileName(pre, o);
}

int CrashingFiles::DiskFreeBytes(const std::string& p, uint64_t& o) {
  o = 0;
  if (int rc = Enter(platform::error::kAccessDenied)) return rc;
  if (disk_full_) return 0;
  return target_.DiskFreeBytes(p, o);
}

}  // namespace qptest
