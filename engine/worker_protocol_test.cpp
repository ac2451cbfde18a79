#include "engine/worker_protocol.h"

#include <gtest/gtest.h>

#include "engine/wire_format.h"

namespace rastrel {
namespace {

// Frames arrive from a pipe in pieces of any size; a message must come out whole.
std::vector<Frame> CutIntoFrames(const std::string& stream, std::size_t piece) {
  FrameBuffer buffer;
  std::vector<Frame> frames;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    const std::string_view part = std::string_view(stream).substr(at, piece);
    buffer.Append(std::span<const char>(part.data(), part.size()));
    while (auto frame = buffer.Next()) frames.push_back(std::move(*frame));
  }
  EXPECT_TRUE(buffer.empty());
  return frames;
}

TEST(WorkerProtocol, MessagesSurviveAnySplitOfTheStream) {
  WorkerJob job;
  job.position = 70000;
  job.entry = {"/in/a b/\xE2\x82\xAC.tif", "a b/"};
  job.counters = {99999, 123456};
  job.libtiffOnly = true;
  job.tag = "c1j2";
  WorkerResult result;
  result.position = 70000;
  result.result.converted = true;
  result.result.outputPath = "/out/x.jpg";
  result.result.writtenPaths = {"/out/x[1].jpg", "/out/x[2].jpg"};
  result.result.diagnostics = {"page 2: warning", ""};
  result.result.staged = {{"/out/.~rastrel-c1j2-aaaaaa", "/out/x[1].jpg"},
                          {"/out/.~rastrel-c1j2-bbbbbb", "/out/x[2].jpg"}};

  const std::string stream =
      EncodeJob(job) + EncodeReady() + EncodeFolderNotice({70000, "/out/"}) + EncodeResult(result);
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, stream.size()}) {
    const std::vector<Frame> frames = CutIntoFrames(stream, piece);
    ASSERT_EQ(frames.size(), 4u);
    const auto gotJob = DecodeJob(frames[0].payload);
    ASSERT_TRUE(gotJob);
    EXPECT_EQ(gotJob->entry.path, job.entry.path);
    EXPECT_EQ(gotJob->entry.relativeSubfolder, job.entry.relativeSubfolder);
    EXPECT_EQ(gotJob->counters.fileCounter, 123456);
    EXPECT_EQ(gotJob->counters.randomNumber, 99999);
    EXPECT_TRUE(gotJob->libtiffOnly);
    EXPECT_EQ(gotJob->tag, "c1j2");
    EXPECT_EQ(frames[1].kind, static_cast<std::uint8_t>(MessageKind::Ready));
    EXPECT_EQ(DecodeFolderNotice(frames[2].payload)->folder, "/out/");
    const auto got = DecodeResult(frames[3].payload);
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->result.converted);
    EXPECT_EQ(got->result.writtenPaths, result.result.writtenPaths);
    EXPECT_EQ(got->result.diagnostics, result.result.diagnostics);
    ASSERT_EQ(got->result.staged.size(), 2u);
    EXPECT_EQ(got->result.staged[1].temporaryPath, "/out/.~rastrel-c1j2-bbbbbb");
    EXPECT_EQ(got->result.staged[1].path, "/out/x[2].jpg");
  }
}

TEST(WorkerProtocol, DamagedMessagesAreRefused) {
  WorkerResult result;
  result.result.writtenPaths = {"/out/a.jpg"};
  const std::string frame = EncodeResult(result);
  const std::string payload = frame.substr(5);
  // Cut short, with trailing bytes, or with a count far beyond the bytes that follow.
  EXPECT_FALSE(DecodeResult(payload.substr(0, payload.size() - 1)));
  EXPECT_FALSE(DecodeResult(payload + "x"));
  std::string huge = payload;
  huge[9] = '\x7F';  // the low byte of the output path's length
  EXPECT_FALSE(DecodeResult(huge));
  EXPECT_FALSE(DecodeJob(payload));

  // A frame length no sender writes breaks the stream instead of waiting for gigabytes.
  FrameBuffer buffer;
  const char length[] = {'\xFF', '\xFF', '\xFF', '\x7F', 1};
  buffer.Append(length);
  EXPECT_FALSE(buffer.Next());
  EXPECT_TRUE(buffer.broken());
}

}  // namespace
}  // namespace rastrel
