#pragma once
// FailingFiles puts itself in front of platform::Files() for its lifetime
// and makes call number N fail, counting every file-system call (Open,
// Create, Delete, Rename, TempFileName, DiskFreeBytes) and every call on a
// file it opened (ReadAt, WriteAt, Truncate, Flush, Size, ModifiedTime,
// Lock, Unlock). Resolve is never failed. A test loops N = 1, 2, ... until
// an operation completes without the fault firing:
//
//   for (int n = 1;; ++n) {
//     qptest::FailingFiles files;
//     files.FailCall(n);
//     bool ok = DoTheOperation();
//     bool fired = files.FaultFired();
//     files.Heal();
//     ... check that a failure was reported and nothing stored is lost ...
//     if (!fired) break;
//   }
#include <memory>
#include <string>

#include "platform/file.h"

namespace qptest {

class FailingFiles : public platform::FileSystemWrapper {
 public:
  FailingFiles();
  ~FailingFiles() override;  // puts the previous file system back
  FailingFiles(const FailingFiles&) = delete;
  FailingFiles& operator=(const FailingFiles&) = delete;

  // Call number n from now on fails. code 0 picks the natural code of the
  // call: 100 for reads, 101 for writes, truncation and flushes, 33 for
  // locks, 5 for everything else. `sticky`: every later call fails too,
  // like a disk that has gone away.
  void FailCall(int n, int code = 0, bool sticky = false);
  // Only calls on paths containing `part` count (and can fail).
  void OnlyPathsContaining(std::string part) { path_part_ = std::move(part); }
  // Only ReadAt, WriteAt, Truncate and Flush count (and can fail). A
  // refused lock or open is an everyday answer the engine handles quietly
  // (another program has the table), so tests of failing reads and writes
  // keep them out of the count.
  void OnlyReadsAndWrites() { only_reads_and_writes_ = true; }
  bool FaultFired() const { return fired_; }
  // Calls counted since FailCall (or construction).
  int Calls() const { return calls_; }
  // No more failures; counting stops.
  void Heal();

  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& o) override;
  int Create(const std::string& p, int m, std::unique_ptr<platform::File>& o) override;
  int Delete(const std::string& p) override;
  int Rename(const std::string& f, const std::string& t) override;
  int TempFileName(const std::string& pre, std::string& o) override;
  int DiskFreeBytes(const std::string& p, uint64_t& o) override;

  // 0 when the call goes through, else the code it fails with. Used by the
  // files this wrapper hands out.
  int Check(const std::string& path, int natural_code);
  bool OnlyReadsAndWritesCount() const { return only_reads_and_writes_; }

 private:
  // Check for a call that is neither a read nor a write.
  int CheckOther(const std::string& path);

  platform::FileSystem* previous_;
  bool previous_was_default_;
  std::string path_part_;
  int fail_at_ = 0;
  int code_ = 0;
  bool sticky_ = false;
  bool only_reads_and_writes_ = false;
  bool fired_ = false;
  bool healed_ = false;
  int calls_ = 0;
};

}  // namespace qptest
