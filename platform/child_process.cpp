#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/unique_fd.h"

extern char** environ;

namespace rastrel {
namespace {

// Owners of the spawn attribute and file-action records.
struct SpawnActions {
  posix_spawn_file_actions_t actions;
  bool ok = false;
  SpawnActions() { ok = ::posix_spawn_file_actions_init(&actions) == 0; }
  ~SpawnActions() {
    if (ok) ::posix_spawn_file_actions_destroy(&actions);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

struct SpawnAttributes {
  posix_spawnattr_t attributes;
  bool ok = false;
  SpawnAttributes() { ok = ::posix_spawnattr_init(&attributes) == 0; }
  ~SpawnAttributes() {
    if (ok) ::posix_spawnattr_destroy(&attributes);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};

ChildEnd FromWaitStatus(int status) {
  ChildEnd end;
  if (WIFEXITED(status)) {
    end.exited = true;
    end.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    end.signal = WTERMSIG(status);
  }
  return end;
}

}  // namespace

std::string DescribeChildEnd(const ChildEnd& end) {
  if (end.exited) return "exit code " + std::to_string(end.exitCode);
  std::string text = "signal " + std::to_string(end.signal);
  if (const char* name = ::strsignal(end.signal)) text += std::string(" (") + name + ")";
  return text;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    if (pid_ > 0) {
      Kill();
      Reap();
    }
    pid_ = std::exchange(other.pid_, -1);
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    Kill();
    Reap();
  }
}

std::optional<ChildProcess> ChildProcess::Spawn(const SpawnRequest& request, std::string& error) {
  SpawnActions actions;
  SpawnAttributes attributes;
  if (!actions.ok || !attributes.ok) {
    error = "cannot prepare a process start";
    return std::nullopt;
  }
  // A descriptor already at its target number would keep its close-on-exec flag through
  // dup2; move every source out of the way of all targets first.
  std::vector<UniqueFd> moved;
  for (const auto& [from, to] : request.descriptors) {
    UniqueFd copy(::fcntl(from, F_DUPFD_CLOEXEC, 64));
    if (!copy) {
      error = std::string("cannot pass a descriptor: ") + std::strerror(errno);
      return std::nullopt;
    }
    ::posix_spawn_file_actions_adddup2(&actions.actions, copy.get(), to);
    moved.push_back(std::move(copy));
  }
  ::posix_spawn_file_actions_addopen(&actions.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (request.outputToErrorStream)
    ::posix_spawn_file_actions_adddup2(&actions.actions, STDERR_FILENO, STDOUT_FILENO);

  // The child starts with every signal at its default and none blocked, whatever this
  // process ignores (a broken pipe) or blocks on its threads.
  sigset_t all;
  sigset_t none;
  ::sigfillset(&all);
  ::sigemptyset(&none);
  ::posix_spawnattr_setsigdefault(&attributes.attributes, &all);
  ::posix_spawnattr_setsigmask(&attributes.attributes, &none);
  ::posix_spawnattr_setflags(&attributes.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> words;
  words.push_back(request.executable);
  words.insert(words.end(), request.arguments.begin(), request.arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int result = ::posix_spawn(&pid, request.executable.c_str(), &actions.actions, &attributes.attributes,
                                   argv.data(), environ);
  if (result != 0) {
    error = "cannot start " + request.executable + ": " + std::strerror(result);
    return std::nullopt;
  }
  return ChildProcess(pid);
}

void ChildProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

ChildEnd ChildProcess::WaitUntilEnded() {
  ChildEnd end;
  if (pid_ <= 0) return end;
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0) {
    if (errno != EINTR) return end;
  }
  if (info.si_code == CLD_EXITED) {
    end.exited = true;
    end.exitCode = info.si_status;
  } else {
    end.signal = info.si_status;
  }
  return end;
}

ChildEnd ChildProcess::Reap() {
  ChildEnd end;
  if (pid_ <= 0) return end;
  int status = 0;
  pid_t done = -1;
  do {
    done = ::waitpid(pid_, &status, 0);
  } while (done < 0 && errno == EINTR);
  if (done == pid_) end = FromWaitStatus(status);
  pid_ = -1;
  return end;
}

}  // namespace rastrel
