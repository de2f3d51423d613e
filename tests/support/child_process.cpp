#include "tests/support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/device.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/message_loop.h"

namespace testing_support {

ChildProcess::ChildProcess(const std::function<void(ChildProcess&)>& job, unsigned limitSeconds) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  const std::filesystem::path folder = platform::device::Folder();
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(fds[0]);
    write_ = fds[1];
    ::alarm(limitSeconds);
    // The test's scripted user stays with the test: a window the child
    // doesn't expect ends it with a report instead of playing the test's
    // lines.
    platform::ui::SetIdleHook({});
    platform::ui::SetIdleExhaustedHandler([this] {
      Report("waiting for input on " +
             platform::ui::scripted_user::Describe(platform::ui::scripted_user::TopmostWindow()));
      ::_exit(3);
    });
    std::string error;
    if (!platform::device::Open(folder, &error)) {
      Report("device open failed: " + error);
      ::_exit(1);
    }
    job(*this);
    ::_exit(0);
  }
  ::close(fds[1]);
  read_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Kill();
  if (read_ >= 0) ::close(read_);
}

void ChildProcess::Report(std::string_view line) {
  std::string text(line);
  text += '\n';
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(write_, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::optional<std::string> ChildProcess::NextLine() {
  for (;;) {
    if (const auto end = buffer_.find('\n'); end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    char chunk[256];
    const ssize_t n = read_ >= 0 ? ::read(read_, chunk, sizeof chunk) : -1;
    if (n <= 0) return std::nullopt;
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

bool ChildProcess::Wait() {
  if (pid_ <= 0) return false;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testing_support
