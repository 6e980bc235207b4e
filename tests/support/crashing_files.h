#pragma once
// CrashingFiles puts itself in front of platform::Files() for its lifetime
// and behaves like a disk cache that only Flush makes durable, so a test can
// cut the power at any file operation and look at what is left.
//
// Writes and truncations made through the files it opens are held in memory
// per file (every open of one file sees the same held bytes, as every
// process sees the same page cache); Flush on any open of that file writes
// them to disk. Opening, creating, deleting and renaming go to disk at once.
//
// CrashAt(n): call number n does not happen and the "process stops": every
// held write is dropped, every real file is closed (so its locks and share
// modes go away as they would for a dead process) and every later call on
// the wrapper or its files fails. The test can then reopen the files
// directly and find them exactly as they were last flushed:
//
//   for (int n = 1;; ++n) {
//     ResetTheFilesOnDisk();
//     bool crashed;
//     {
//       qptest::CrashingFiles files;
//       files.CrashAt(n);
//       DoTheOperation();          // fails part-way once the crash comes
//       crashed = files.Crashed();
//       CloseEverything();         // its calls fail; nothing reaches disk
//     }
//     ... reopen with the real files; check nothing stored earlier is lost ...
//     if (!crashed) break;
//   }
//
// DiskFullFrom(n): from call number n on every write that would make a
// file longer fails with the code a full disk gives, and DiskFreeBytes
// reports 0; writes over bytes a file already has, reads, flushes of what
// was written before and everything else keep working, as on a real disk
// with no blocks left.
//
// Counted calls are those of FailingFiles: Open, Create, Delete, Rename,
// TempFileName, DiskFreeBytes, and ReadAt, WriteAt, Truncate, Flush, Size,
// ModifiedTime, Lock, Unlock on the files it opened. Resolve is not counted
// and never fails. Files read behind the wrapper's back (ReadBytes, another
// process) see the disk, without the held writes.
//
// When the wrapper ends without a crash, the held writes reach the disk, as
// a cache is written back when the machine stays up. Files it opened that
// are still open then fail every later call.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file.h"

namespace qptest {

class CrashingFiles : public platform::FileSystemWrapper {
 public:
  CrashingFiles();
  ~CrashingFiles() override;  // writes back unless crashed; puts the previous file system back
  CrashingFiles(const CrashingFiles&) = delete;
  CrashingFiles& operator=(const CrashingFiles&) = delete;

  // Call number n from now on crashes (see above). Restarts the count.
  void CrashAt(int n);
  // Like CrashAt, for a process that is killed while the machine stays up:
  // what it wrote before call n is in the system's cache, which outlives
  // the process, so the held writes reach the disk; then its files close.
  void KillAt(int n);
  // From call number n on, every write that needs new space fails as on a
  // full disk.
  // Restarts the count.
  void DiskFullFrom(int n);
  bool Crashed() const { return crashed_; }
  bool DiskFull() const { return disk_full_; }
  // Calls counted since construction, CrashAt or DiskFullFrom.
  int Calls() const { return calls_; }
  // The code every write gets once the disk is full.
  static int DiskFullCode();
  // The file system behind the wrapper, to look at the disk directly (after
  // a crash, say) while the wrapper is still in force.
  platform::FileSystem& Target() { return target_; }

  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& o) override;
  int Create(const std::string& p, int m, std::unique_ptr<platform::File>& o) override;
  int Delete(const std::string& p) override;
  int Rename(const std::string& f, const std::string& t) override;
  int TempFileName(const std::string& pre, std::string& o) override;
  int DiskFreeBytes(const std::string& p, uint64_t& o) override;

 private:
  class HeldFile;
  friend class HeldFile;

  // The bytes of one file as the running program sees them, before they
  // are flushed.
  struct Held {
    std::vector<uint8_t> bytes;
  };

  // Counts one call. 0 when it goes through; else the code it fails with
  // (the call must then do nothing). Crashes when the count says so.
  int Enter(int natural_code);
  void Crash();
  int Wrap(int rc, std::unique_ptr<platform::File>& o);
  // The held bytes of `key`, loaded from `file` on first use.
  Held* HeldFor(const std::string& key, platform::File& file, int& rc);
  Held* FindHeld(const std::string& key);
  // Writes the held bytes of `key` to disk through `file` and forgets them.
  int WriteBack(const std::string& key, platform::File& file);
  void WriteBackAll();

  platform::FileSystem& previous_;
  std::map<std::string, Held> held_;
  std::set<HeldFile*> open_;
  int crash_at_ = 0;
  bool keep_held_at_crash_ = false;
  int disk_full_at_ = 0;
  int calls_ = 0;
  bool crashed_ = false;
  bool disk_full_ = false;
};

}  // namespace qptest
