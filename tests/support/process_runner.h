// Runs a program as a child process with its own folder, environment and standard streams,
// for tests that drive the real executable.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rastrel::fixtures {

struct ProgramRun {
  std::string program;
  std::vector<std::string> args;  // without the program name
  std::string folder;             // working folder; empty = the test's own
  // Changes to the inherited environment: a value of nullopt removes the variable.
  std::vector<std::pair<std::string, std::optional<std::string>>> env;
  // Standard input is a pseudo-terminal the test can type into; otherwise /dev/null.
  bool terminalInput = false;
  int timeoutMs = 60'000;
};

struct ProgramResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  int signal = 0;     // the signal that ended it, if any
  bool timedOut = false;
  std::string out;
  std::string err;
};

// A started child. Destroying it before Wait() kills the child.
class RunningProgram {
 public:
  explicit RunningProgram(const ProgramRun& run);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Reads standard output until it contains `text`; false on end of output or timeout.
  bool WaitForOutput(std::string_view text, int timeoutMs);
  // The same for standard error.
  bool WaitForErrorOutput(std::string_view text, int timeoutMs);
  // Types bytes into the terminal input (terminalInput only).
  bool Type(std::string_view bytes);
  // Sends `signal` to the child; false when it has been reaped already.
  bool SendSignal(int signal);
  // True once the child has ended (it is not reaped before Wait()).
  bool HasEnded();
  // Collects the rest of both streams and the exit status.
  ProgramResult Wait();

 private:
  void ReadAvailable(int timeoutMs);

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int terminalFd_ = -1;
  int timeoutMs_ = 0;
  ProgramResult result_;
};

// Starts the program and waits for it to end.
ProgramResult RunProgram(const ProgramRun& run);

// A run of `program` whose working folder, home, configuration and lock folder are all
// `folder`, with no display: runs never meet each other, the user's own copy or a desktop.
ProgramRun IsolatedRun(std::string program, std::vector<std::string> args, const std::string& folder);

}  // namespace rastrel::fixtures
