#pragma once
// FileHolder runs this test binary again as a second process that opens a
// file through platform::Files() with a given mode, optionally locks a byte
// range, reports the result, and keeps the open until released or killed.
// Tests use it to show that share modes and locks hold between processes,
// not just between opens in one process.
//
// The child is recognised by an environment variable before main() runs, so
// any test binary that links this helper can act as the holder.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace qptest {

class FileHolder {
 public:
  // Starts the holder and waits for its report. lock_length 0: no lock.
  FileHolder(const std::string& path, int mode, uint64_t lock_offset = 0, uint64_t lock_length = 0);
  ~FileHolder();  // releases
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  // The holder's result: the open's code, else the lock's (0 both fine).
  int result() const { return result_; }
  // Lets the holder close the file and exit normally; waits for it.
  void Release();
  // Ends the holder with SIGKILL, so nothing is closed in an orderly way.
  void Kill();

 private:
  void Reap();
  pid_t pid_ = -1;
  int result_ = -1;
  int hold_fd_ = -1;  // closing it releases the holder
};

}  // namespace qptest
