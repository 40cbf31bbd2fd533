#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>

#include "storage/access/child_process.h"

namespace zl {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMilliseconds = 10;
constexpr int kExecFailed = 127;
// The clock ends a child that waits; one the machine's load keeps from
// running gets more time, a second at a time, up to a minute (or three
// times its own time) in all, so that its processor or memory limit names
// why it ended.
constexpr auto kLongestWall = std::chrono::seconds(60);
constexpr auto kMoreWall = std::chrono::seconds(1);

class Pipe {
 public:
  Pipe() {
    if (::pipe2(ends_, O_CLOEXEC) != 0) ends_[0] = ends_[1] = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool Ok() const { return ends_[0] >= 0; }
  int Read() const { return ends_[0]; }
  int Write() const { return ends_[1]; }
  void CloseRead() { Close(ends_[0]); }
  void CloseWrite() { Close(ends_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int ends_[2] = {-1, -1};
};

void Cap(int resource, std::uint64_t value) {
  if (value == 0) return;
  const rlimit r{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
  ::setrlimit(resource, &r);
}

// Between fork and exec only async-signal-safe calls are allowed.
[[noreturn]] void Exec(char* const* argv, char* const* envp, const ChildLimits& limits, int null_in, int out, int err,
                       int report) {
  Cap(RLIMIT_AS, limits.address_space_bytes);
  Cap(RLIMIT_FSIZE, limits.file_bytes);
  if (limits.cpu_seconds > 0) {
    // SIGXCPU at the soft limit, SIGKILL a second later should it be caught.
    const rlimit cpu{static_cast<rlim_t>(limits.cpu_seconds), static_cast<rlim_t>(limits.cpu_seconds) + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
  }
  // A crash must leave no core file beside the data.
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);

  // What the window ignores or blocks would otherwise stay so in the child.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &dfl, nullptr);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);

  if (::dup2(null_in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) {
    const int e = errno;
    (void)!::write(report, &e, sizeof e);
    ::_exit(kExecFailed);
  }
  // Every other descriptor of the window stays out of the child's reach;
  // the report pipe closes itself on exec.
  const int keep = report;
  for (int fd = STDERR_FILENO + 1; fd < keep; ++fd) ::close(fd);
  ::close_range(static_cast<unsigned>(keep) + 1, ~0U, 0);
  ::execve(argv[0], argv, envp);
  const int e = errno;
  (void)!::write(report, &e, sizeof e);
  ::_exit(kExecFailed);
}

// Bytes of `pid` resident in memory; 0 when /proc cannot tell.
std::uint64_t ResidentBytes(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  std::uint64_t size = 0, resident = 0;
  if (!(statm >> size >> resident)) return 0;
  return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// Whether `pid` runs or waits only for a processor (not for input, a lock
// or a timer).
bool Runnable(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // The state follows the command's name, which is in parentheses and may
  // hold blanks or parentheses itself.
  const auto name_end = line.rfind(')');
  return name_end != std::string::npos && name_end + 2 < line.size() && line[name_end + 2] == 'R';
}

// Reads what `fd` has now into `into`, up to `cap` bytes kept; false once
// more than `cap` arrived. Closes the pipe's end at its end.
bool Drain(Pipe& pipe, std::string& into, std::size_t cap, bool& open) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(pipe.Read(), buf, sizeof buf);
    if (n > 0) {
      const auto got = static_cast<std::size_t>(n);
      if (into.size() + got > cap) {
        into.append(buf, cap - into.size());
        return false;
      }
      into.append(buf, got);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      pipe.CloseRead();
      open = false;
    }
    return true;
  }
}

// This process's environment with `changes` made.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('=') + 1);
    bool changed = false;
    for (const std::string& c : changes) changed = changed || c.compare(0, name.size(), name) == 0;
    if (!changed) env.push_back(entry);
  }
  env.insert(env.end(), changes.begin(), changes.end());
  return env;
}

}  // namespace

ChildOutcome RunChild(const std::vector<std::string>& argv, const ChildLimits& limits,
                      const std::vector<std::string>& environment) {
  ChildOutcome outcome;
  if (argv.empty()) {
    outcome.error = "no program to run";
    return outcome;
  }
  std::vector<std::string> args = argv;
  std::vector<char*> c_argv;
  for (std::string& a : args) c_argv.push_back(a.data());
  c_argv.push_back(nullptr);
  std::vector<std::string> env = ChildEnvironment(environment);
  std::vector<char*> c_env;
  for (std::string& e : env) c_env.push_back(e.data());
  c_env.push_back(nullptr);

  Pipe out, err, report;
  const int null_in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (!out.Ok() || !err.Ok() || !report.Ok() || null_in < 0) {
    outcome.error = std::strerror(errno);
    if (null_in >= 0) ::close(null_in);
    return outcome;
  }
  const pid_t pid = ::fork();
  if (pid == 0) Exec(c_argv.data(), c_env.data(), limits, null_in, out.Write(), err.Write(), report.Write());
  const int fork_error = errno;
  ::close(null_in);
  out.CloseWrite();
  err.CloseWrite();
  report.CloseWrite();
  if (pid < 0) {
    outcome.error = std::strerror(fork_error);
    return outcome;
  }
  for (Pipe* p : {&out, &err}) ::fcntl(p->Read(), F_SETFL, O_NONBLOCK);

  const auto started = Clock::now();
  const auto wall = std::chrono::milliseconds(limits.wall_milliseconds);
  const auto longest = std::max<Clock::duration>(kLongestWall, 3 * wall);
  auto deadline = started + wall;
  bool out_open = true, err_open = true, ended_by_us = false;
  int status = 0;
  rusage usage{};
  const auto end = [&](ChildOutcome::End why) {
    if (ended_by_us) return;
    ended_by_us = true;
    outcome.end = why;
    ::kill(pid, SIGKILL);
  };
  for (;;) {
    const pid_t reaped = ::wait4(pid, &status, WNOHANG, &usage);
    if (reaped == pid || (reaped < 0 && errno != EINTR)) break;
    const auto now = Clock::now();
    if (now >= deadline) {
      if (Runnable(pid) && now - started < longest)
        deadline = now + kMoreWall;
      else
        end(ChildOutcome::End::TimedOut);
    }
    if (limits.resident_bytes > 0 && ResidentBytes(pid) > limits.resident_bytes) end(ChildOutcome::End::OutOfMemory);
    pollfd fds[2];
    nfds_t n = 0;
    if (out_open) fds[n++] = {out.Read(), POLLIN, 0};
    if (err_open) fds[n++] = {err.Read(), POLLIN, 0};
    ::poll(n > 0 ? fds : nullptr, n, kPollMilliseconds);
    const std::size_t cap = limits.output_bytes;
    if (out_open && !Drain(out, outcome.out, cap, out_open)) end(ChildOutcome::End::FloodedOutput);
    if (err_open && !Drain(err, outcome.err, cap, err_open)) end(ChildOutcome::End::FloodedOutput);
  }
  if (out_open) Drain(out, outcome.out, limits.output_bytes, out_open);
  if (err_open) Drain(err, outcome.err, limits.output_bytes, err_open);

  int exec_errno = 0;
  if (::read(report.Read(), &exec_errno, sizeof exec_errno) == static_cast<ssize_t>(sizeof exec_errno)) {
    outcome.end = ChildOutcome::End::NotStarted;
    outcome.error = std::strerror(exec_errno);
    return outcome;
  }
  if (ended_by_us) return outcome;
  if (WIFEXITED(status)) {
    outcome.end = ChildOutcome::End::Exited;
    outcome.status = WEXITSTATUS(status);
    return outcome;
  }
  const int sig = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  outcome.status = sig;
  const long cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec;
  const auto peak = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  if (sig == SIGXCPU || (sig == SIGKILL && limits.cpu_seconds > 0 && cpu >= limits.cpu_seconds))
    outcome.end = ChildOutcome::End::TimedOut;
  else if (sig == SIGXFSZ)
    outcome.end = ChildOutcome::End::FileTooLarge;
  else if (limits.address_space_bytes > 0 && peak >= limits.address_space_bytes / 2)
    // Allocation failing at the cap shows as whatever the program does on
    // a null pointer; one that had filled half its space was out of memory.
    outcome.end = ChildOutcome::End::OutOfMemory;
  else
    outcome.end = ChildOutcome::End::Crashed;
  return outcome;
}

}  // namespace zl
