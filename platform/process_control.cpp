#include "platform/process_control.h"

#include <malloc.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace rastrel {

int UsableProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return count;
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int>(online) : 1;
}

std::uint64_t PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long size = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || size <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

namespace {

void IgnoreSignal(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

void IgnoreBrokenPipeSignal() { IgnoreSignal(SIGPIPE); }

void IgnoreTerminalInterrupts() {
  IgnoreSignal(SIGINT);
  IgnoreSignal(SIGQUIT);
}

bool AddressSpaceLimitAvailable() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}

bool LimitAddressSpace(std::uint64_t bytes) {
  if (!AddressSpaceLimitAvailable() || bytes == 0) return false;
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0) return false;
  rlim_t wanted = static_cast<rlim_t>(bytes);
  if (limit.rlim_max != RLIM_INFINITY && wanted > limit.rlim_max) wanted = limit.rlim_max;
  limit.rlim_cur = wanted;
  return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

void KeepFreedMemoryForReuse(std::uint64_t bytes) {
  const int size = static_cast<int>(std::min<std::uint64_t>(bytes, std::uint64_t{1} << 30));
  // Blocks below the threshold come from the heap, and the heap is only trimmed when more
  // than the threshold is free at its top.
  ::mallopt(M_MMAP_THRESHOLD, size);
  ::mallopt(M_TRIM_THRESHOLD, size);
}

bool EndWithParent(long parentId) {
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) return false;
  // The parent may have ended before the request was made.
  return static_cast<long>(::getppid()) == parentId;
}

long CurrentProcessId() { return static_cast<long>(::getpid()); }

std::optional<std::string> EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace rastrel
