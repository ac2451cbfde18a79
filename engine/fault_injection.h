// Faults a worker process acts out on purpose, so that tests can check with the real
// program that a crash, a hang or memory exhaustion costs exactly the file it happens on.
// Nothing here is active unless RASTREL_TEST_FAULTS=1 is set in the environment; an input
// whose file name contains one of the markers below then triggers its fault.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rastrel {

enum class InjectedFault { None, Abort, AbortAfterWriting, Hang, ExhaustMemory, Slow };

inline constexpr std::string_view kFaultAbortMarker = "rastrel-fault-abort";
// Converts the file, leaving its pages under temporary names, then aborts.
inline constexpr std::string_view kFaultAbortAfterWritingMarker = "rastrel-fault-crash-after-write";
inline constexpr std::string_view kFaultHangMarker = "rastrel-fault-hang";
inline constexpr std::string_view kFaultMemoryMarker = "rastrel-fault-memory";
// Leaves "<input>.in-hand" beside the input, waits a while, then converts as usual: a test
// can then act while the file is known to be in hand.
inline constexpr std::string_view kFaultSlowMarker = "rastrel-fault-slow";
inline constexpr std::string_view kInHandSuffix = ".in-hand";

// The variables the tests set: the switch, and shorter limits than a real batch uses.
inline constexpr const char* kFaultsVariable = "RASTREL_TEST_FAULTS";
inline constexpr const char* kTimeLimitVariable = "RASTREL_TEST_FILE_TIME_LIMIT_MS";
inline constexpr const char* kMemoryLimitVariable = "RASTREL_TEST_MEMORY_LIMIT_MB";

bool FaultInjectionEnabled();

// The fault for an input path; None unless fault injection is enabled.
InjectedFault FaultForInput(const std::string& path);

// Acts out the fault on `path`: Abort and Hang never return; AbortAfterWriting returns none
// here and is acted out by the worker once the file is written; Slow returns none. ExhaustMemory allocates
// memory until an allocation fails and returns the diagnostic for the failed file; when a generous ceiling is
// reached first (no memory limit in force) it returns none and the file converts as usual.
std::optional<std::string> ActOutFault(InjectedFault fault, const std::string& path);

// The test limits, when fault injection is enabled and the variables hold numbers.
std::optional<std::int64_t> TestFileTimeLimitMs();
std::optional<std::uint64_t> TestMemoryLimitBytes();

}  // namespace rastrel
