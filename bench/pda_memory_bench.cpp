// pda's peak memory, headless: the built program (bin/pda) on a fresh
// device folder plays a script that runs the installation wizard, reboots
// into the power-on logon, rejects one wrong password (with its 1 s delay
// on the virtual clock) and accepts the right one. The figure is the
// child's peak resident set (wait4's ru_maxrss, what /usr/bin/time -v
// reports as "Maximum resident set size"); the target is at most 40 MB.
//
// Counters: "peak_rss_mb" (the largest of the runs), "exit_status" of the
// last run (0 when the script met every screen it expected). A second case
// stops at the wizard's first page with a power cut: what the host, the
// shell, the fonts and the first dialog cost before anything is typed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// What a new owner does: both passwords in the wizard (the first one on
// the soft keyboard), its closing message, the reboot into the power-on
// logon, one mistake with its delay, the right password, the home screen.
constexpr char kInstallAndLogon[] =
    "expect dialog 778\n"
    "tap 684\n"
    "sip Master#1\n"
    "type 685 Master#1\n"
    "key Enter\n"
    "expect dialog 778\n"
    "type 684 User1234\n"
    "type 685 User1234\n"
    "key Enter\n"
    "expect box 627\n"
    "tap 1\n"
    "expect dialog 628\n"
    "type 679 wrong\n"
    "tap 1\n"
    "expect box 590\n"
    "tap 1\n"
    "expect dialog 634\n"
    "wait 1100\n"
    "expect dialog 628\n"
    "type 679 User1234\n"
    "tap 1\n"
    "expect dialog 1\n";

constexpr char kFirstScreen[] =
    "expect dialog 778\n"
    "cut\n";

struct ChildRun {
  int status = -1;
  long maxRssKb = 0;
  std::string errors;
};

// Runs pda with `arguments`, headless, stdout dropped and stderr kept.
ChildRun RunPda(const std::vector<std::string>& arguments, const std::filesystem::path& log) {
  ChildRun run;
  const std::string program = std::string(VEYR_BIN_DIR) + "/pda";
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int null = open("/dev/null", O_WRONLY);
    const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    if (err >= 0) dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.maxRssKb = usage.ru_maxrss;
  std::ifstream in(log);
  run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}

// A host folder of its own, removed afterwards.
class HostFolder {
 public:
  HostFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pda-mem-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
  }
  ~HostFolder() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;
  const std::filesystem::path& path() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// Argument 1: the install-and-logon script; 0: the first screen only.
void BM_PdaPeakMemory(benchmark::State& state) {
  long peakKb = 0;
  int status = -1;
  std::string errors;
  for (auto _ : state) {
    HostFolder host;
    if (host.path().empty()) {
      state.SkipWithError("no temporary folder");
      break;
    }
    const std::filesystem::path script = host.path() / "script.txt";
    std::ofstream(script, std::ios::binary) << (state.range(0) ? kInstallAndLogon : kFirstScreen);
    const ChildRun run = RunPda(
        {"--device", (host.path() / "device").string(), "--headless", "--script", script.string()},
        host.path() / "stderr.txt");
    peakKb = std::max(peakKb, run.maxRssKb);
    status = run.status;
    errors = run.errors;
  }
  state.counters["peak_rss_mb"] = static_cast<double>(peakKb) / 1024.0;
  state.counters["exit_status"] = status;
  if (status != 0) {
    const std::string tail = errors.size() > 400 ? errors.substr(errors.size() - 400) : errors;
    state.SetLabel("pda ended with " + std::to_string(status) + ": " + tail);
  }
}
BENCHMARK(BM_PdaPeakMemory)
    ->ArgName("script")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
