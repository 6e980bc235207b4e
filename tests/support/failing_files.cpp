#include "tests/support/failing_files.h"

namespace qptest {
namespace {

platform::FileSystem* installed = nullptr;  // what SetFiles last put in force

class FailingFile : public platform::FileWrapper {
 public:
  FailingFile(std::unique_ptr<platform::File> target, FailingFiles& owner)
      : FileWrapper(std::move(target)), owner_(owner) {}
  int ReadAt(uint64_t o, std::span<uint8_t> out, size_t& r) override {
    r = 0;
    return Guard(100) ? code_ : FileWrapper::ReadAt(o, out, r);
  }
  int WriteAt(uint64_t o, std::span<const uint8_t> d) override {
    return Guard(101) ? code_ : FileWrapper::WriteAt(o, d);
  }
  int Truncate(uint64_t s) override { return Guard(101) ? code_ : FileWrapper::Truncate(s); }
  int Flush() override { return Guard(101) ? code_ : FileWrapper::Flush(); }
  int Size(uint64_t& s) override { return GuardOther(5) ? code_ : FileWrapper::Size(s); }
  int ModifiedTime(int64_t& s) override {
    return GuardOther(5) ? code_ : FileWrapper::ModifiedTime(s);
  }
  int Lock(uint64_t o, uint64_t l) override {
    return GuardOther(33) ? code_ : FileWrapper::Lock(o, l);
  }
  int Unlock(uint64_t o, uint64_t l) override {
    return GuardOther(33) ? code_ : FileWrapper::Unlock(o, l);
  }

 private:
  bool Guard(int natural) {
    code_ = owner_.Check(Path(), natural);
    return code_ != 0;
  }
  // A call that is neither a read nor a write.
  bool GuardOther(int natural) { return !owner_.OnlyReadsAndWritesCount() && Guard(natural); }
  FailingFiles& owner_;
  int code_ = 0;
};

}  // namespace

FailingFiles::FailingFiles()
    : FileSystemWrapper(platform::Files()),
      previous_(installed),
      previous_was_default_(installed == nullptr) {
  installed = this;
  platform::SetFiles(this);
}

FailingFiles::~FailingFiles() {
  installed = previous_;
  platform::SetFiles(previous_was_default_ ? nullptr : previous_);
}

void FailingFiles::FailCall(int n, int code, bool sticky) {
  fail_at_ = n;
  code_ = code;
  sticky_ = sticky;
  fired_ = false;
  healed_ = false;
  calls_ = 0;
}

void FailingFiles::Heal() { healed_ = true; }

int FailingFiles::Check(const std::string& path, int natural_code) {
  if (healed_ || fail_at_ == 0) return 0;
  if (!path_part_.empty() && path.find(path_part_) == std::string::npos) return 0;
  ++calls_;
  if (calls_ == fail_at_ || (sticky_ && calls_ > fail_at_)) {
    fired_ = true;
    return code_ != 0 ? code_ : natural_code;
  }
  return 0;
}

int FailingFiles::CheckOther(const std::string& path) {
  return only_reads_and_writes_ ? 0 : Check(path, 5);
}

int FailingFiles::Open(const std::string& p, int m, std::unique_ptr<platform::File>& o) {
  o.reset();
  if (int rc = CheckOther(p)) return rc;
  std::unique_ptr<platform::File> real;
  int rc = target_.Open(p, m, real);
  if (rc == 0) o = std::make_unique<FailingFile>(std::move(real), *this);
  return rc;
}

int FailingFiles::Create(const std::string& p, int m, std::unique_ptr<platform::File>& o) {
  o.reset();
  if (int rc = CheckOther(p)) return rc;
  std::unique_ptr<platform::File> real;
  int rc = target_.Create(p, m, real);
  if (rc == 0) o = std::make_unique<FailingFile>(std::move(real), *this);
  return rc;
}

int FailingFiles::Delete(const std::string& p) {
  if (int rc = CheckOther(p)) return rc;
  return target_.Delete(p);
}

int FailingFiles::Rename(const std::string& f, const std::string& t) {
  if (int rc = CheckOther(f)) return rc;
  return target_.Rename(f, t);
}

int FailingFiles::TempFileName(const std::string& pre, std::string& o) {
  if (int rc = CheckOther(pre)) return rc;
  return target_.TempFileName(pre, o);
}

int FailingFiles::DiskFreeBytes(const std::string& p, uint64_t& o) {
  if (int rc = CheckOther(p)) return rc;
  return target_.DiskFreeBytes(p, o);
}

}  // namespace qptest
