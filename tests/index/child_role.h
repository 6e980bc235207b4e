#pragma once
// Tests that need other processes start this test binary again with a role
// in an environment variable. The role runs from a gtest environment's
// SetUp, so every static object of the engine exists by then, and the child
// ends with the role's exit status before any test of its own runs.
//
//   int RunRole(const std::string& role);           // the test file's roles
//   const bool roles = qptest::RegisterRoles(&RunRole);
//   qptest::Child writer("writer 1 /tmp/t");        // runs RunRole("writer 1 /tmp/t")
//   EXPECT_EQ(writer.Wait(), 0);
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace qptest {

inline constexpr const char* kRoleVariable = "QPTEST_CHILD_ROLE";

class RoleEnvironment : public ::testing::Environment {
 public:
  explicit RoleEnvironment(int (*run)(const std::string&)) : run_(run) {}
  void SetUp() override {
    const char* role = std::getenv(kRoleVariable);
    if (role == nullptr) return;
    const int status = run_(role);
    std::fflush(nullptr);
    _exit(status);
  }

 private:
  int (*run_)(const std::string&);
};

inline bool RegisterRoles(int (*run)(const std::string&)) {
  ::testing::AddGlobalTestEnvironment(new RoleEnvironment(run));
  return true;
}

// The child's number for the report descriptor a Child was given.
inline constexpr int kChildReportFd = 3;

// A child process running one role. `report_fd` (if >= 0), e.g. a pipe's
// write end, is open in the child as kChildReportFd.
class Child {
 public:
  explicit Child(const std::string& role, int report_fd = -1) {
    const std::string variable = std::string(kRoleVariable) + "=" + role;
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e)
      if (std::string(*e).rfind(std::string(kRoleVariable) + "=", 0) != 0) env.push_back(*e);
    std::string copy = variable;
    env.push_back(copy.data());
    env.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      // Only async-signal-safe calls until exec.
      if (report_fd == kChildReportFd) {
        const int flags = fcntl(report_fd, F_GETFD);
        if (flags < 0 || fcntl(report_fd, F_SETFD, flags & ~FD_CLOEXEC) < 0) _exit(97);
      } else if (report_fd >= 0 && dup2(report_fd, kChildReportFd) < 0) {
        _exit(97);
      }
      execve(self, argv, env.data());
      _exit(96);
    }
  }
  ~Child() {
    if (pid_ > 0) Kill();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The exit status, or 128 + signal.
  int Wait() {
    if (pid_ <= 0) return status_;
    int raw = 0;
    while (waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
  }
  // Ends the child with SIGKILL: nothing it holds is let go in order.
  int Kill() {
    if (pid_ > 0) kill(pid_, SIGKILL);
    return Wait();
  }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace qptest
