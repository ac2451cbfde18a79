// What a process knows and sets about itself: processors, memory, its own limits, signals
// and its parent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rastrel {

// Processors this process may run on (at least 1).
int UsableProcessorCount();

// Installed memory in bytes; 0 when unknown.
std::uint64_t PhysicalMemoryBytes();

// A write to a pipe whose reader has gone fails with an error instead of ending the process.
void IgnoreBrokenPipeSignal();

// Interrupts typed at the terminal (Ctrl+C and Ctrl+Backslash) reach every process of the foreground
// job. A worker ignores them: the process that started it decides what an interrupt means.
void IgnoreTerminalInterrupts();

// Whether LimitAddressSpace can be used: not under AddressSanitizer, which reserves far more
// address space than any useful limit.
bool AddressSpaceLimitAvailable();

// Caps the address space of this process (RLIMIT_AS): allocations beyond it fail. False
// when the limit cannot be set or is not available.
bool LimitAddressSpace(std::uint64_t bytes);

// Lets the allocator keep up to `bytes` of freed memory for the next allocations instead of
// handing it back to the system at once: a process that decodes page after page of the same
// size then reuses the pages it already has rather than faulting in fresh zeroed ones.
void KeepFreedMemoryForReuse(std::uint64_t bytes);

// Asks the system to kill this process when its parent ends. False when the parent with
// process id `parentId` has already gone.
bool EndWithParent(long parentId);

long CurrentProcessId();

// The value of an environment variable; none when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

}  // namespace rastrel
