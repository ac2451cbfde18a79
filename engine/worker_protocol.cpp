#include "engine/worker_protocol.h"

#include "engine/settings_wire.h"
#include "engine/wire_format.h"

namespace rastrel {
namespace {

std::string Framed(MessageKind kind, const WireWriter& writer) {
  return MakeFrame(static_cast<std::uint8_t>(kind), writer.bytes());
}

}  // namespace

std::string EncodeSetup(const WorkerSetup& setup) {
  WireWriter w;
  WriteSettings(w, setup.settings);
  w.Text(setup.target.extension);
  w.I32(setup.target.formatId);
  w.I32(setup.target.depth);
  w.Bool(setup.target.automatic);
  w.I32(setup.target.saveFlags);
  w.Text(setup.outputFolder);
  w.Bool(setup.debug);
  w.Texts(setup.inputPaths);
  w.U64(setup.memoryLimitBytes);
  return Framed(MessageKind::Setup, w);
}

std::optional<WorkerSetup> DecodeSetup(std::string_view payload) {
  WireReader r(payload);
  WorkerSetup setup;
  ReadSettings(r, setup.settings);
  setup.target.extension = r.Text();
  setup.target.formatId = r.I32();
  setup.target.depth = r.I32();
  setup.target.automatic = r.Bool();
  setup.target.saveFlags = r.I32();
  setup.outputFolder = r.Text();
  setup.debug = r.Bool();
  setup.inputPaths = r.Texts();
  setup.memoryLimitBytes = r.U64();
  if (!r.Finished()) return std::nullopt;
  return setup;
}

std::string EncodeJob(const WorkerJob& job) {
  WireWriter w;
  w.U64(job.position);
  w.Text(job.entry.path);
  w.Text(job.entry.relativeSubfolder);
  w.I32(job.counters.randomNumber);
  w.I32(job.counters.fileCounter);
  w.Bool(job.libtiffOnly);
  w.Text(job.tag);
  return Framed(MessageKind::Job, w);
}

std::optional<WorkerJob> DecodeJob(std::string_view payload) {
  WireReader r(payload);
  WorkerJob job;
  job.position = r.U64();
  job.entry.path = r.Text();
  job.entry.relativeSubfolder = r.Text();
  job.counters.randomNumber = r.I32();
  job.counters.fileCounter = r.I32();
  job.libtiffOnly = r.Bool();
  job.tag = r.Text();
  if (!r.Finished()) return std::nullopt;
  return job;
}

std::string EncodeReady() { return MakeFrame(static_cast<std::uint8_t>(MessageKind::Ready), {}); }

std::string EncodeFolderNotice(const WorkerFolderNotice& notice) {
  WireWriter w;
  w.U64(notice.position);
  w.Text(notice.folder);
  return Framed(MessageKind::Folder, w);
}

std::optional<WorkerFolderNotice> DecodeFolderNotice(std::string_view payload) {
  WireReader r(payload);
  WorkerFolderNotice notice;
  notice.position = r.U64();
  notice.folder = r.Text();
  if (!r.Finished()) return std::nullopt;
  return notice;
}

std::string EncodeResult(const WorkerResult& result) {
  WireWriter w;
  const FileResult& file = result.result;
  w.U64(result.position);
  w.Bool(file.converted);
  w.Text(file.outputPath);
  w.Texts(file.writtenPaths);
  w.Texts(file.diagnostics);
  w.U64(file.staged.size());
  for (const StagedFile& staged : file.staged) {
    w.Text(staged.temporaryPath);
    w.Text(staged.path);
  }
  return Framed(MessageKind::Result, w);
}

std::optional<WorkerResult> DecodeResult(std::string_view payload) {
  WireReader r(payload);
  WorkerResult result;
  FileResult& file = result.result;
  result.position = r.U64();
  file.converted = r.Bool();
  file.outputPath = r.Text();
  file.writtenPaths = r.Texts();
  file.diagnostics = r.Texts();
  const std::uint64_t stagedCount = r.U64();
  if (stagedCount > payload.size() / 16) return std::nullopt;
  for (std::uint64_t i = 0; i < stagedCount && r.ok(); ++i) {
    StagedFile staged;
    staged.temporaryPath = r.Text();
    staged.path = r.Text();
    file.staged.push_back(std::move(staged));
  }
  if (!r.Finished()) return std::nullopt;
  return result;
}

}  // namespace rastrel
