#include "tests/support/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <stdexcept>

extern char** environ;

namespace rastrel::fixtures {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> BuildEnvironment(const ProgramRun& run) {
  std::map<std::string, std::string> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::size_t equals = entry.find('=');
    if (equals != std::string::npos) vars[entry.substr(0, equals)] = entry.substr(equals + 1);
  }
  for (const auto& [name, value] : run.env) {
    if (value) {
      vars[name] = *value;
    } else {
      vars.erase(name);
    }
  }
  std::vector<std::string> entries;
  for (const auto& [name, value] : vars) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Appends what is readable now; closes the descriptor at end of stream.
void Drain(int& fd, std::string& sink) {
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      sink.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    CloseFd(fd);
    return;
  }
}

}  // namespace

RunningProgram::RunningProgram(const ProgramRun& run) : timeoutMs_(run.timeoutMs) {
  std::vector<std::string> argTexts{run.program};
  argTexts.insert(argTexts.end(), run.args.begin(), run.args.end());
  std::vector<std::string> envTexts = BuildEnvironment(run);
  std::vector<char*> argv = Pointers(argTexts);
  std::vector<char*> envp = Pointers(envTexts);

  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::string terminalName;
  if (run.terminalInput) {
    terminalFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminalFd_ < 0 || ::grantpt(terminalFd_) != 0 || ::unlockpt(terminalFd_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    terminalName = ::ptsname(terminalFd_);
  }

  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // Only async-signal-safe calls from here on.
    const int in =
        run.terminalInput ? ::open(terminalName.c_str(), O_RDWR | O_NOCTTY) : ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(outPipe[1], STDOUT_FILENO) < 0 ||
        ::dup2(errPipe[1], STDERR_FILENO) < 0) {
      ::_exit(126);
    }
    if (!run.folder.empty() && ::chdir(run.folder.c_str()) != 0) ::_exit(126);
    ::execve(run.program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  outFd_ = outPipe[0];
  errFd_ = errPipe[0];
  ::fcntl(outFd_, F_SETFL, O_NONBLOCK);
  ::fcntl(errFd_, F_SETFL, O_NONBLOCK);
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  CloseFd(outFd_);
  CloseFd(errFd_);
  CloseFd(terminalFd_);
}

void RunningProgram::ReadAvailable(int timeoutMs) {
  pollfd fds[2];
  nfds_t count = 0;
  if (outFd_ >= 0) fds[count++] = {outFd_, POLLIN, 0};
  if (errFd_ >= 0) fds[count++] = {errFd_, POLLIN, 0};
  if (count == 0) return;
  if (::poll(fds, count, timeoutMs) <= 0) return;
  if (outFd_ >= 0) Drain(outFd_, result_.out);
  if (errFd_ >= 0) Drain(errFd_, result_.err);
}

bool RunningProgram::WaitForOutput(std::string_view text, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (result_.out.find(text) == std::string::npos) {
    if (outFd_ < 0 || Clock::now() >= deadline) return false;
    ReadAvailable(50);
  }
  return true;
}

bool RunningProgram::WaitForErrorOutput(std::string_view text, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (result_.err.find(text) == std::string::npos) {
    if (errFd_ < 0 || Clock::now() >= deadline) return false;
    ReadAvailable(50);
  }
  return true;
}

bool RunningProgram::Type(std::string_view bytes) {
  if (terminalFd_ < 0) return false;
  return ::write(terminalFd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool RunningProgram::SendSignal(int signal) { return pid_ > 0 && ::kill(pid_, signal) == 0; }

bool RunningProgram::HasEnded() {
  if (pid_ <= 0) return true;
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid_;
}

ProgramResult RunningProgram::Wait() {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  while (outFd_ >= 0 || errFd_ >= 0) {
    if (Clock::now() >= deadline) {
      result_.timedOut = true;
      ::kill(pid_, SIGKILL);
      break;
    }
    ReadAvailable(50);
  }
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (WIFEXITED(status)) result_.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
  CloseFd(outFd_);
  CloseFd(errFd_);
  return result_;
}

ProgramResult RunProgram(const ProgramRun& run) { return RunningProgram(run).Wait(); }

ProgramRun IsolatedRun(std::string program, std::vector<std::string> args, const std::string& folder) {
  ProgramRun run;
  run.program = std::move(program);
  run.args = std::move(args);
  run.folder = folder;
  run.env = {{"XDG_RUNTIME_DIR", folder},
             {"HOME", folder},
             {"XDG_CONFIG_HOME", folder + "config"},
             {"DISPLAY", std::nullopt},
             {"WAYLAND_DISPLAY", std::nullopt}};
  return run;
}

}  // namespace rastrel::fixtures
