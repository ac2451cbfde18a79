// One worker process as the coordinator sees it: the process, the pipe that carries its
// jobs, the pipe that brings back its messages, and the frames read so far.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/wire_format.h"
#include "platform/child_process.h"
#include "platform/unique_fd.h"

namespace rastrel {

struct WorkerLaunch {
  std::string executable;
  std::vector<std::string> arguments;
};

class WorkerChannel {
 public:
  // Starts the worker and sends it the setup frame. None, with `error` set, when the process
  // cannot be started.
  static std::optional<WorkerChannel> Start(const WorkerLaunch& launch, const std::string& setupFrame,
                                            std::string& error);

  WorkerChannel(WorkerChannel&&) = default;
  WorkerChannel& operator=(WorkerChannel&&) = default;

  int messageDescriptor() const { return messages_.get(); }
  long processId() const { return process_.pid(); }

  // False when the worker can no longer read (it has ended).
  bool Send(const std::string& frame);

  // Reads what has arrived and appends every complete frame. False once the worker's end of
  // the pipe is closed (it has ended) or its stream cannot be trusted any more.
  bool Receive(std::vector<Frame>& frames);

  void Kill() { process_.Kill(); }
  // Blocks until the process has ended, without reaping it.
  ChildEnd WaitUntilEnded() { return process_.WaitUntilEnded(); }
  // Closes the job pipe (a worker between jobs then ends by itself) and reaps the process.
  ChildEnd Finish();

 private:
  WorkerChannel() = default;

  ChildProcess process_;
  UniqueFd jobs_;
  UniqueFd messages_;
  FrameBuffer buffer_;
};

}  // namespace rastrel
