#include "engine/worker_channel.h"

#include <array>

#include "engine/worker_process.h"
#include "platform/pipe.h"

namespace rastrel {

std::optional<WorkerChannel> WorkerChannel::Start(const WorkerLaunch& launch, const std::string& setupFrame,
                                                  std::string& error) {
  std::optional<Pipe> jobs = MakePipe();
  std::optional<Pipe> messages = MakePipe();
  if (!jobs || !messages) {
    error = "cannot create the pipes of a worker process";
    return std::nullopt;
  }
  SpawnRequest request;
  request.executable = launch.executable;
  request.arguments = launch.arguments;
  request.descriptors = {{jobs->readEnd.get(), kWorkerJobDescriptor},
                         {messages->writeEnd.get(), kWorkerResultDescriptor}};
  std::optional<ChildProcess> process = ChildProcess::Spawn(request, error);
  if (!process) return std::nullopt;

  WorkerChannel channel;
  channel.process_ = std::move(*process);
  channel.jobs_ = std::move(jobs->writeEnd);
  channel.messages_ = std::move(messages->readEnd);
  // The worker's ends now live in the worker only, so that its death closes them.
  jobs->readEnd.reset();
  messages->writeEnd.reset();
  // A worker that dies before it has read the setup shows as an end of its messages.
  channel.Send(setupFrame);
  return channel;
}

bool WorkerChannel::Send(const std::string& frame) { return jobs_ && WriteAllBytes(jobs_.get(), frame); }

bool WorkerChannel::Receive(std::vector<Frame>& frames) {
  std::array<char, 1 << 16> chunk{};
  const ssize_t n = ReadSomeBytes(messages_.get(), chunk);
  if (n > 0) buffer_.Append(std::span<const char>(chunk.data(), static_cast<std::size_t>(n)));
  while (std::optional<Frame> frame = buffer_.Next()) frames.push_back(std::move(*frame));
  return n > 0 && !buffer_.broken();
}

ChildEnd WorkerChannel::Finish() {
  jobs_.reset();
  messages_.reset();
  return process_.Reap();
}

}  // namespace rastrel
