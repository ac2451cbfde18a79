// The worker process: this program started by a conversion coordinator in a hidden mode.
// It reads the batch once, then converts the files it is sent, one at a time, and answers
// each with its result. A file that crashes it, hangs it or exhausts its memory costs only
// that file: the coordinator starts a fresh worker for the next one.
#pragma once

#include <string_view>

namespace rastrel {

// The first argument of a worker process; followed by the coordinator's process id.
inline constexpr std::string_view kWorkerModeArgument = "--internal-worker";

// The descriptors on which a worker reads its jobs and writes its results.
inline constexpr int kWorkerJobDescriptor = 3;
inline constexpr int kWorkerResultDescriptor = 4;

// Whether the process was started as a worker. Checked before anything else the program does
// (the instance lock and the command line included).
bool IsWorkerInvocation(int argc, const char* const* argv);

// The worker's whole life; returns its exit code (0 when the coordinator closed the jobs).
int RunWorkerProcess(int argc, const char* const* argv);

}  // namespace rastrel
