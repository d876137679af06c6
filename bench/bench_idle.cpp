// CPU used by a ROZORU program that sits idle on a private X server.
//
// Each case starts Xvfb, launches the program with a private XDG_RUNTIME_DIR
// (so its instance lock never meets another instance), lets the drop-in
// animation end, then reads the process's utime+stime over the sampling
// window. The manual time of the single iteration is the window itself.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr auto kSettle = std::chrono::seconds(2);
constexpr auto kWindow = std::chrono::seconds(10);
constexpr auto kStartLimit = std::chrono::seconds(10);
// The demo's cameras and loop vary more from second to second than an idle
// program, so it is sampled longer.
constexpr auto kDemoWindow = std::chrono::seconds(30);

std::string findInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// The environment of this process with some variables replaced or removed
// (an empty value removes the variable).
std::vector<std::string> makeEnvironment(const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& [k, v] : overrides) replaced = replaced || k == key;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [k, v] : overrides)
    if (!v.empty()) env.push_back(k + "=" + v);
  return env;
}

// A child process that is ended (SIGTERM, then SIGKILL) when it goes out of
// scope, and that the kernel kills should this process die first.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { terminate(); }

  // keepFd stays open in the child (-1: none); output goes to logPath.
  bool spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& logPath,
             const std::string& cwd, int keepFd = -1) {
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0) return false;
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(127);
      const int null = ::open("/dev/null", O_RDONLY);
      if (null >= 0) ::dup2(null, 0);
      ::dup2(log, 1);
      ::dup2(log, 2);
      if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
      if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
      ::execve(args[0], args.data(), envp.data());
      ::_exit(127);
    }
    ::close(log);
    if (pid_ < 0) return false;
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    return true;
  }

  pid_t pid() const { return pid_; }
  // How the child ended, once it has.
  std::string endText() const {
    if (pid_ > 0) return "still running";
    if (WIFSIGNALED(status_)) return "killed by signal " + std::to_string(WTERMSIG(status_));
    return "exit status " + std::to_string(WEXITSTATUS(status_));
  }

  bool alive() {
    if (pid_ <= 0) return false;
    const pid_t r = ::waitpid(pid_, &status_, WNOHANG);
    if (r == pid_ || r < 0) {
      reaped();
      return false;
    }
    return true;
  }

  // Blocks until the child ends; its wait status.
  int join() {
    if (pid_ > 0 && ::waitpid(pid_, &status_, 0) == pid_) reaped();
    return status_;
  }

  // Waits up to limit for the child to end by itself; true when it has.
  bool waitExit(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return true;
    if (pidfd_ >= 0) {
      pollfd p{pidfd_, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(limit.count()));
      return !alive();
    }
    const auto deadline = SteadyClock::now() + limit;
    while (alive()) {
      if (SteadyClock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  void terminate() {
    if (!alive()) return;
    ::kill(pid_, SIGTERM);
    if (waitExit(std::chrono::milliseconds(2000))) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
    reaped();
  }

 private:
  void reaped() {
    pid_ = -1;
    if (pidfd_ >= 0) ::close(pidfd_);
    pidfd_ = -1;
  }

  pid_t pid_ = -1;
  int pidfd_ = -1;
  int status_ = 0;
};

// A private temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "rozoru-bench-idle-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string tail(const std::string& path, std::size_t maxChars = 400) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  if (text.size() > maxChars) text = text.substr(text.size() - maxChars);
  return text;
}

// Starts Xvfb on a display number of its choosing; returns ":N" or "".
std::string startXvfb(Child& xvfb, const std::string& xvfbPath, const std::string& dir, std::string& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = "pipe failed";
    return {};
  }
  const std::vector<std::string> argv = {xvfbPath, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                         "1280x1024x24", "-nolisten", "tcp"};
  const std::string log = dir + "/xvfb.log";
  const bool spawned = xvfb.spawn(argv, makeEnvironment({}), log, dir, fds[1]);
  ::close(fds[1]);
  std::string number;
  if (spawned) {
    const auto deadline = SteadyClock::now() + kStartLimit;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) break;
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char c;
      if (::read(fds[0], &c, 1) != 1) break;
      if (c == '\n') break;
      number.push_back(c);
    }
  }
  ::close(fds[0]);
  if (number.empty()) {
    error = "Xvfb did not report a display: " + tail(log);
    return {};
  }
  return ":" + number;
}

struct CpuSample {
  long long ticks = 0;            // utime + stime of all threads, in clock ticks
  long long ns = -1;              // the process's CPU clock, finer than ticks
  long long contextSwitches = 0;  // voluntary + involuntary, threads alive now
  bool ok = false;
};

CpuSample sample(pid_t pid) {
  CpuSample s;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return s;
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return s;
  std::istringstream fields(line.substr(close + 2));
  std::vector<std::string> f;
  for (std::string x; fields >> x;) f.push_back(x);
  if (f.size() < 13) return s;
  // f[0] is field 3 (state): utime is field 14, stime field 15.
  s.ticks = std::stoll(f[11]) + std::stoll(f[12]);
  clockid_t clock;
  timespec ts{};
  if (::clock_getcpuclockid(pid, &clock) == 0 && ::clock_gettime(clock, &ts) == 0)
    s.ns = static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream status(task.path() / "status");
    for (std::string l; std::getline(status, l);) {
      if (l.rfind("voluntary_ctxt_switches:", 0) == 0 || l.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
        s.contextSwitches += std::stoll(l.substr(l.find(':') + 1));
    }
  }
  s.ok = true;
  return s;
}

// Runs xdotool with args; true when it exited with 0. Its output goes to out.
bool xdotoolRun(const std::string& xdotool, const std::vector<std::string>& args, const std::vector<std::string>& env,
                const std::string& dir, std::string* out = nullptr) {
  std::vector<std::string> argv = {xdotool};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string log = dir + "/xdotool.log";
  Child probe;
  if (!probe.spawn(argv, env, log, dir)) return false;
  const int status = probe.join();
  if (out) {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    *out = text.str();
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Asks the X server for a visible window whose name matches until it is
// there; its id, or "" when it did not appear in time or the program ended
// first.
std::string waitForWindow(const std::string& xdotool, const std::vector<std::string>& env, const std::string& dir,
                          Child& program, const std::string& namePattern) {
  const auto deadline = SteadyClock::now() + kStartLimit;
  while (SteadyClock::now() < deadline && program.alive()) {
    std::string out;
    if (xdotoolRun(xdotool, {"search", "--onlyvisible", "--name", namePattern}, env, dir, &out)) {
      std::istringstream ids(out);
      std::string id;
      if (ids >> id) return id;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

// Clicks the centre of button `index` of the button box `window`, which is
// laid out as columns x rows equal buttons, row by row. False when its size
// could not be read or xdotool failed.
bool clickBoxButton(const std::string& xdotool, const std::vector<std::string>& env, const std::string& dir,
                    const std::string& window, int index, int columns, int rows) {
  std::string out;
  if (!xdotoolRun(xdotool, {"getwindowgeometry", window}, env, dir, &out)) return false;
  const std::size_t at = out.find("Geometry:");
  int w = 0, h = 0;
  if (at == std::string::npos || std::sscanf(out.c_str() + at, "Geometry: %dx%d", &w, &h) != 2 || w <= 0 || h <= 0)
    return false;
  const int column = index % columns, row = index / columns;
  const int x = w * column / columns + w / (2 * columns), y = h * row / rows + h / (2 * rows);
  return xdotoolRun(xdotool, {"mousemove", "--window", window, std::to_string(x), std::to_string(y), "click", "1"},
                    env, dir);
}

// What a case runs and does before sampling.
struct IdleCase {
  const char* programPath = nullptr;
  const char* mode = nullptr;                  // ROZORU_TESTAPP_MODE, or none
  std::chrono::seconds window = kWindow;       // sampling window
  bool waitForLoop = false;                    // the stereo loop's button box is up before sampling
  int clickButton = -1;                        // a button of the 11x4 button box to click first, or none
};

void runIdle(benchmark::State& state, const IdleCase& c) {
  const char* programPath = c.programPath;
  const char* mode = c.mode;
  const std::string xvfbPath = findInPath("Xvfb");
  if (xvfbPath.empty()) {
    state.SkipWithError("Xvfb is not available");
    return;
  }
  if (!programPath || !*programPath || ::access(programPath, X_OK) != 0) {
    state.SkipWithError("the program under test was not built");
    return;
  }
  const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);

  for (auto _ : state) {
    TempDir dir;
    if (dir.path().empty()) {
      state.SkipWithError("cannot create a temporary directory");
      return;
    }
    const std::string runtime = dir.path() + "/runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);

    // Declared first so that it is ended last.
    Child xvfb;
    std::string error;
    const std::string display = startXvfb(xvfb, xvfbPath, dir.path(), error);
    if (display.empty()) {
      state.SkipWithError(error.c_str());
      return;
    }

    const std::vector<std::string> env = makeEnvironment({{"DISPLAY", display},
                                                          {"XDG_RUNTIME_DIR", runtime},
                                                          {"QT_QPA_PLATFORM", "xcb"},
                                                          {"WAYLAND_DISPLAY", ""},
                                                          {"ROZORU_TESTAPP_MODE", mode ? mode : ""},
                                                          {"ROZORU_TESTAPP_LOG", ""}});
    Child program;
    const std::string log = dir.path() + "/program.log";
    if (!program.spawn({programPath}, env, log, dir.path())) {
      state.SkipWithError("cannot start the program");
      return;
    }
    const std::string xdotool = findInPath("xdotool");
    if (xdotool.empty() && (c.waitForLoop || c.clickButton >= 0)) {
      state.SkipWithError("xdotool is not available");
      return;
    }
    if (!xdotool.empty() && waitForWindow(xdotool, env, dir.path(), program, "^ROZORU$").empty()) {
      error = "the main window did not appear: " + tail(log);
      state.SkipWithError(error.c_str());
      return;
    }
    std::this_thread::sleep_for(kSettle);
    if (c.waitForLoop || c.clickButton >= 0) {
      const std::string box = waitForWindow(xdotool, env, dir.path(), program, "^ButtonBox$");
      if (box.empty()) {
        error = "the button box did not appear: " + tail(log);
        state.SkipWithError(error.c_str());
        return;
      }
      if (c.clickButton >= 0) {
        if (!clickBoxButton(xdotool, env, dir.path(), box, c.clickButton, 11, 4)) {
          state.SkipWithError("the button could not be clicked");
          return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));  // the loop takes the button up
      }
    }

    const CpuSample a = sample(program.pid());
    const CpuSample xa = sample(xvfb.pid());
    const auto t0 = SteadyClock::now();
    std::this_thread::sleep_for(c.window);
    const CpuSample b = sample(program.pid());
    const CpuSample xb = sample(xvfb.pid());
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - t0).count();

    if (!a.ok || !b.ok || !program.alive()) {
      error = "the program ended during the measurement (" + program.endText() + "): " + tail(log);
      state.SkipWithError(error.c_str());
      return;
    }
    state.SetIterationTime(seconds);
    const auto cpuPercent = [&](long long ticks) {
      return 100.0 * static_cast<double>(ticks) / static_cast<double>(ticksPerSecond) / seconds;
    };
    state.counters["cpu_pct"] = cpuPercent(b.ticks - a.ticks);
    if (a.ns >= 0 && b.ns >= 0)
      state.counters["cpu_pct_ns"] = 100.0 * static_cast<double>(b.ns - a.ns) / 1e9 / seconds;
    state.counters["ctx_switches_per_s"] = static_cast<double>(b.contextSwitches - a.contextSwitches) / seconds;
    if (xa.ok && xb.ok) state.counters["xvfb_cpu_pct"] = cpuPercent(xb.ticks - xa.ticks);
    // program, then xvfb, are ended here by their destructors.
  }
}

#ifndef ROZORU_STEREO_PATH
#define ROZORU_STEREO_PATH ""
#endif
#ifndef ROZORU_TESTAPP_PATH
#define ROZORU_TESTAPP_PATH ""
#endif
#ifndef ROZORU_STEREO_DEMO_PATH
#define ROZORU_STEREO_DEMO_PATH ""
#endif

// Button 14 of the stereo button box: "Sleep 10", a loop period of 10 ms.
constexpr int kSleep10Button = 14;

void BM_IdleCpu_Stereo(benchmark::State& state) { runIdle(state, {ROZORU_STEREO_PATH}); }
void BM_IdleCpu_TestappAutostart(benchmark::State& state) { runIdle(state, {ROZORU_TESTAPP_PATH, "autostart"}); }
// The demo's loop at its default period, both synthetic cameras at 30 fps.
void BM_Cpu_StereoDemo(benchmark::State& state) {
  runIdle(state, {ROZORU_STEREO_DEMO_PATH, nullptr, kDemoWindow, true});
}
void BM_Cpu_StereoDemo_Sleep10(benchmark::State& state) {
  runIdle(state, {ROZORU_STEREO_DEMO_PATH, nullptr, kDemoWindow, true, kSleep10Button});
}

BENCHMARK(BM_IdleCpu_Stereo)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleCpu_TestappAutostart)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Cpu_StereoDemo)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Cpu_StereoDemo_Sleep10)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
