#include "tests/support/file_holder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/file.h"

namespace qptest {
namespace {

constexpr const char* kHolderVariable = "QPTEST_FILE_HOLDER";
constexpr int kResultFd = 3;
constexpr int kHoldFd = 4;

// In the child: open, lock, report on fd 3, wait for EOF on fd 4, exit.
void RunHolderIfAsked() {
  const char* request = std::getenv(kHolderVariable);
  if (request == nullptr) return;
  char path[4096] = {};
  int mode = 0;
  unsigned long long offset = 0, length = 0;
  if (std::sscanf(request, "%d %llu %llu %4095[^\n]", &mode, &offset, &length, path) != 4)
    _exit(99);
  std::unique_ptr<platform::File> file;
  int result = platform::Files().Open(path, mode, file);
  if (result == 0 && length != 0) result = file->Lock(offset, length);
  if (write(kResultFd, &result, sizeof result) != sizeof result) _exit(98);
  char byte;
  while (read(kHoldFd, &byte, 1) > 0) {
  }
  file.reset();
  _exit(0);
}

const bool holder_checked = (RunHolderIfAsked(), true);

}  // namespace

FileHolder::FileHolder(const std::string& path, int mode, uint64_t lock_offset,
                       uint64_t lock_length) {
  (void)holder_checked;
  int result_pipe[2], hold_pipe[2];
  if (pipe2(result_pipe, O_CLOEXEC) != 0 || pipe2(hold_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  std::string request = std::to_string(mode) + " " + std::to_string(lock_offset) + " " +
                        std::to_string(lock_length) + " " + path;
  std::string variable = std::string(kHolderVariable) + "=" + request;
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  env.push_back(variable.data());
  env.push_back(nullptr);
  char self[] = "/proc/self/exe";
  char* argv[] = {self, nullptr};

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // Only async-signal-safe calls until exec.
    if (dup2(result_pipe[1], kResultFd) < 0 || dup2(hold_pipe[0], kHoldFd) < 0) _exit(97);
    execve(self, argv, env.data());
    _exit(96);
  }
  close(result_pipe[1]);
  close(hold_pipe[0]);
  hold_fd_ = hold_pipe[1];
  ssize_t got;
  do got = read(result_pipe[0], &result_, sizeof result_);
  while (got < 0 && errno == EINTR);
  close(result_pipe[0]);
  if (got != sizeof result_) {
    Kill();
    throw std::runtime_error("file holder did not report");
  }
}

FileHolder::~FileHolder() { Release(); }

void FileHolder::Release() {
  if (hold_fd_ >= 0) close(hold_fd_);
  hold_fd_ = -1;
  Reap();
}

void FileHolder::Kill() {
  if (pid_ > 0) kill(pid_, SIGKILL);
  if (hold_fd_ >= 0) close(hold_fd_);
  hold_fd_ = -1;
  Reap();
}

void FileHolder::Reap() {
  if (pid_ <= 0) return;
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace qptest
