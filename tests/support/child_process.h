// Another program on the same device: a forked child that opens the device
// again, runs a job and reports to the test through a pipe, one line at a
// time. The test may wait for a line, kill the child (a power cut) or wait
// for it to end.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace testing_support {

class ChildProcess {
 public:
  // Forks; the child opens the current device folder, runs `job` with this
  // object as its reporter and ends with _exit(0). A child still running
  // after `limitSeconds` is ended by SIGALRM so a broken test can't hang.
  explicit ChildProcess(const std::function<void(ChildProcess&)>& job, unsigned limitSeconds = 60);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Child side: one line to the test.
  void Report(std::string_view line);

  // Test side: the next line, or nothing when the child ended first.
  std::optional<std::string> NextLine();
  // SIGKILL, as when the battery is pulled, and reaps the child.
  void Kill();
  // Waits for the end; true when the child exited with 0.
  bool Wait();

 private:
  pid_t pid_ = -1;
  int read_ = -1;
  int write_ = -1;
  std::string buffer_;
};

}  // namespace testing_support
