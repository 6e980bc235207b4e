#pragma once
// CrashFiles puts itself in front of platform::Files() for its lifetime and
// simulates, at file operation number N, one of two events:
//
//   CrashAt(n)     the machine stops: every write not yet made durable by a
//                  Flush of its file is undone (bytes restored, the file cut
//                  back to its size), and every later call fails, as if the
//                  process were gone. Renames and deletes count as durable
//                  once done, as the file system's metadata journal makes them.
//   FillDiskAt(n)  the disk is full: from the nth call on, every write,
//                  truncation that grows and create fails with the write
//                  error code (ENOSPC); everything else still works.
//
// Every call counts: file-system calls and calls on files it opened. A test
// loops n = 1, 2, ... until the operation completes without the event:
//
//   for (int n = 1;; ++n) {
//     auto files = std::make_unique<qptest::CrashFiles>();
//     files->CrashAt(n);
//     DoTheOperation();
//     const bool fired = files->Fired();
//     xb::CloseAll();            // the process's handles go with it
//     files.reset();             // the machine is back
//     ... reopen, check the files hold the state before or after ...
//     if (!fired) break;
//   }
//
// Undoing uses file descriptors of its own, so it reaches files the engine
// still has open (or has renamed or closed) and ignores their share locks.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"

namespace qptest {

class CrashFiles : public platform::FileSystemWrapper {
 public:
  CrashFiles();
  ~CrashFiles() override;  // puts the previous file system back
  CrashFiles(const CrashFiles&) = delete;
  CrashFiles& operator=(const CrashFiles&) = delete;

  void CrashAt(int n);
  void FillDiskAt(int n);
  bool Fired() const { return fired_; }
  int Calls() const { return calls_; }

  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& o) override;
  int Create(const std::string& p, int m, std::unique_ptr<platform::File>& o) override;
  int Delete(const std::string& p) override;
  int Rename(const std::string& f, const std::string& t) override;
  int TempFileName(const std::string& pre, std::string& o) override;
  int DiskFreeBytes(const std::string& p, uint64_t& o) override;

  // Used by the files it hands out. Counts a call: 0 to go ahead, else the
  // code to fail it with. `is_write`: the call needs disk space.
  int Count(bool is_write);
  // Notes the bytes a write or truncation is about to change.
  void BeforeChange(const std::string& path, uint64_t offset, uint64_t length);
  // A flush makes the file's writes durable.
  void Durable(const std::string& path);

 private:
  struct Undo {
    uint64_t offset = 0;
    std::vector<uint8_t> old_bytes;
    uint64_t old_size = 0;
  };
  struct Log {
    int fd = -1;
    std::vector<Undo> undo;
  };
  void Crash();
  void Forget(const std::string& path);
  Log* LogFor(const std::string& path);

  platform::FileSystem* previous_;
  bool previous_was_default_;
  int crash_at_ = 0;
  int full_at_ = 0;
  int calls_ = 0;
  bool fired_ = false;
  bool crashed_ = false;
  std::map<uint64_t, Log> logs_;  // by inode
};

}  // namespace qptest
