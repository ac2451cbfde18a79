#include "engine/fault_injection.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "platform/process_control.h"

namespace rastrel {
namespace {

std::optional<std::int64_t> PositiveNumber(const char* variable) {
  const std::optional<std::string> text = EnvironmentValue(variable);
  if (!text || text->empty()) return std::nullopt;
  char* end = nullptr;
  const long long value = std::strtoll(text->c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || value <= 0) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

}  // namespace

bool FaultInjectionEnabled() {
  static const bool enabled = EnvironmentValue(kFaultsVariable).value_or("") == "1";
  return enabled;
}

InjectedFault FaultForInput(const std::string& path) {
  if (!FaultInjectionEnabled()) return InjectedFault::None;
  const std::size_t slash = path.rfind('/');
  const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.find(kFaultAbortAfterWritingMarker) != std::string_view::npos)
    return InjectedFault::AbortAfterWriting;
  if (name.find(kFaultAbortMarker) != std::string_view::npos) return InjectedFault::Abort;
  if (name.find(kFaultHangMarker) != std::string_view::npos) return InjectedFault::Hang;
  if (name.find(kFaultMemoryMarker) != std::string_view::npos) return InjectedFault::ExhaustMemory;
  if (name.find(kFaultSlowMarker) != std::string_view::npos) return InjectedFault::Slow;
  return InjectedFault::None;
}

std::optional<std::string> ActOutFault(InjectedFault fault, const std::string& path) {
  switch (fault) {
    case InjectedFault::None:
    case InjectedFault::AbortAfterWriting:
      return std::nullopt;
    case InjectedFault::Abort:
      std::abort();
    case InjectedFault::Hang:
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    case InjectedFault::Slow:
      WriteFileAtomically(path + std::string(kInHandSuffix), "");
      std::this_thread::sleep_for(std::chrono::seconds(4));
      return std::nullopt;
    case InjectedFault::ExhaustMemory: {
      constexpr std::size_t kChunk = std::size_t{16} << 20;
      constexpr std::size_t kCeiling = std::size_t{3} << 30;
      std::vector<std::unique_ptr<char[]>> held;
      held.reserve(kCeiling / kChunk);
      for (std::size_t total = 0; total < kCeiling; total += kChunk) {
        std::unique_ptr<char[]> chunk(new (std::nothrow) char[kChunk]);
        if (!chunk) return "out of memory after " + std::to_string(total >> 20) + " MiB";
        // Address space is what the limit counts; touching every page would only make the
        // test slow. One byte per chunk keeps the allocation real.
        chunk[0] = 1;
        held.push_back(std::move(chunk));
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<std::int64_t> TestFileTimeLimitMs() {
  if (!FaultInjectionEnabled()) return std::nullopt;
  return PositiveNumber(kTimeLimitVariable);
}

std::optional<std::uint64_t> TestMemoryLimitBytes() {
  if (!FaultInjectionEnabled()) return std::nullopt;
  const std::optional<std::int64_t> megabytes = PositiveNumber(kMemoryLimitVariable);
  if (!megabytes) return std::nullopt;
  return static_cast<std::uint64_t>(*megabytes) << 20;
}

}  // namespace rastrel
