#include "platform/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/temporary_files.h"

namespace rastrel {

namespace {

constexpr int kWatchedSignals[] = {SIGINT, SIGTERM, SIGHUP};

bool InheritedAsIgnored(int signal) {
  struct sigaction current {};
  return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

[[noreturn]] void EndNow(int signal) {
  RemoveTrackedTemporaryFilesForExit();
  ::_exit(128 + signal);
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> onFirst) : onFirst_(std::move(onFirst)) {
  sigemptyset(&watched_);
  for (const int signal : kWatchedSignals) {
    if (!InheritedAsIgnored(signal)) sigaddset(&watched_, signal);
  }
  if (::pthread_sigmask(SIG_BLOCK, &watched_, &savedMask_) != 0) return;
  signals_.reset(::signalfd(-1, &watched_, SFD_CLOEXEC));
  int wake[2];
  if (!signals_ || ::pipe2(wake, O_CLOEXEC) != 0) {
    ::pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
    signals_.reset();
    return;
  }
  wakeRead_.reset(wake[0]);
  wakeWrite_.reset(wake[1]);
  try {
    thread_ = std::thread([this] { Watch(); });
  } catch (const std::system_error&) {
    // Without a watcher the signals keep their ordinary effect.
    ::pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
    return;
  }
  active_ = true;
}

InterruptWatch::~InterruptWatch() {
  if (!active_) return;
  const char stop = 0;
  while (::write(wakeWrite_.get(), &stop, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
  // A signal that arrived after the watch stopped is still pending; taken here it does
  // not end the process the moment the mask is restored. The batch is over by now.
  ::fcntl(signals_.get(), F_SETFL, O_NONBLOCK);
  signalfd_siginfo info{};
  while (::read(signals_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    if (info.ssi_signo != SIGINT) EndNow(static_cast<int>(info.ssi_signo));
  }
  ::pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
}

void InterruptWatch::Watch() {
  for (;;) {
    pollfd fds[2] = {{signals_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    signalfd_siginfo info{};
    const ssize_t n = ::read(signals_.get(), &info, sizeof info);
    if (n != static_cast<ssize_t>(sizeof info)) continue;
    const int signal = static_cast<int>(info.ssi_signo);
    if (signal != SIGINT || interrupted_.exchange(true)) EndNow(signal);
    if (onFirst_) onFirst_();
  }
}

}  // namespace rastrel
