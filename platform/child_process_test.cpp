#include "platform/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <array>

#include "platform/pipe.h"

namespace rastrel {
namespace {

ChildProcess StartShell(const std::string& script, std::vector<std::pair<int, int>> descriptors = {}) {
  SpawnRequest request;
  request.executable = "/bin/sh";
  request.arguments = {"-c", script};
  request.descriptors = std::move(descriptors);
  std::string error;
  std::optional<ChildProcess> child = ChildProcess::Spawn(request, error);
  EXPECT_TRUE(child) << error;
  return child ? std::move(*child) : ChildProcess();
}

// The coordinator tells a crash from an exit by these, and reports them to the user.
TEST(ChildProcess, TellsHowTheChildEnded) {
  const struct {
    const char* script;
    bool exited;
    int code;
    int signal;
    const char* described;
  } cases[] = {
      {"exit 0", true, 0, 0, "exit code 0"},
      {"exit 3", true, 3, 0, "exit code 3"},
      {"kill -ABRT $$", false, 0, SIGABRT, "signal 6 (Aborted)"},
      {"kill -KILL $$", false, 0, SIGKILL, "signal 9 (Killed)"},
  };
  for (const auto& c : cases) {
    ChildProcess child = StartShell(c.script);
    // Waiting does not reap: the id still names the ended child.
    const ChildEnd waited = child.WaitUntilEnded();
    EXPECT_EQ(::kill(child.pid(), 0), 0) << c.script;
    const ChildEnd reaped = child.Reap();
    for (const ChildEnd& end : {waited, reaped}) {
      EXPECT_EQ(end.exited, c.exited) << c.script;
      EXPECT_EQ(end.exitCode, c.code) << c.script;
      EXPECT_EQ(end.signal, c.signal) << c.script;
    }
    EXPECT_EQ(DescribeChildEnd(reaped), c.described);
    EXPECT_FALSE(child);
  }
}

// A child sees exactly the descriptors passed to it: its messages arrive, and its end
// closes the pipe, which is how a coordinator notices a dead worker.
TEST(ChildProcess, PassesOnlyTheGivenDescriptors) {
  std::optional<Pipe> messages = MakePipe();
  std::optional<Pipe> unrelated = MakePipe();
  ASSERT_TRUE(messages && unrelated);
  ChildProcess child =
      StartShell("echo hello >&4; if [ -e /proc/self/fd/" + std::to_string(unrelated->writeEnd.get()) +
                     " ]; then echo leaked >&4; fi",
                 {{messages->writeEnd.get(), 4}});
  messages->writeEnd.reset();
  std::string received;
  std::array<char, 64> buffer{};
  for (ssize_t n; (n = ReadSomeBytes(messages->readEnd.get(), buffer)) > 0;) {
    received.append(buffer.data(), static_cast<std::size_t>(n));
  }
  EXPECT_EQ(received, "hello\n");
  EXPECT_TRUE(child.Reap().exited);
}

TEST(ChildProcess, AMissingProgramIsAnErrorAndDestructionEndsAChild) {
  SpawnRequest request;
  request.executable = "/nonexistent/program";
  std::string error;
  EXPECT_FALSE(ChildProcess::Spawn(request, error));
  EXPECT_NE(error.find("/nonexistent/program"), std::string::npos) << error;

  pid_t pid = -1;
  {
    ChildProcess sleeper = StartShell("exec sleep 100");
    pid = sleeper.pid();
    ASSERT_GT(pid, 0);
  }
  EXPECT_EQ(::kill(pid, 0), -1);  // killed and reaped: not even a zombie is left
}

}  // namespace
}  // namespace rastrel
