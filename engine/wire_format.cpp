#include "engine/wire_format.h"

#include <array>
#include <bit>
#include <cstring>

#include "platform/pipe.h"

namespace rastrel {

void WireWriter::U32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) U8(static_cast<std::uint8_t>(value >> shift));
}

void WireWriter::U64(std::uint64_t value) {
  for (int shift = 0; shift < 64; shift += 8) U8(static_cast<std::uint8_t>(value >> shift));
}

void WireWriter::F32(float value) { U32(std::bit_cast<std::uint32_t>(value)); }

void WireWriter::Text(std::string_view text) {
  U64(text.size());
  bytes_.append(text);
}

void WireWriter::Texts(const std::vector<std::string>& texts) {
  U64(texts.size());
  for (const std::string& text : texts) Text(text);
}

std::string_view WireReader::Take(std::size_t count) {
  if (!ok_ || count > bytes_.size() - position_) {
    ok_ = false;
    return {};
  }
  const std::string_view part = bytes_.substr(position_, count);
  position_ += count;
  return part;
}

std::uint8_t WireReader::U8() {
  const std::string_view part = Take(1);
  return part.empty() ? 0 : static_cast<std::uint8_t>(part[0]);
}

std::uint32_t WireReader::U32() {
  const std::string_view part = Take(4);
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(part[i])) << (8 * i);
  }
  return value;
}

std::uint64_t WireReader::U64() {
  const std::string_view part = Take(8);
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(part[i])) << (8 * i);
  }
  return value;
}

float WireReader::F32() { return std::bit_cast<float>(U32()); }

std::string WireReader::Text() {
  const std::uint64_t size = U64();
  if (size > bytes_.size()) {
    ok_ = false;
    return {};
  }
  return std::string(Take(static_cast<std::size_t>(size)));
}

std::vector<std::string> WireReader::Texts() {
  const std::uint64_t count = U64();
  std::vector<std::string> texts;
  // Every text takes at least its 8-byte length: a larger count is a broken message.
  if (count > (bytes_.size() - position_) / 8) {
    ok_ = false;
    return texts;
  }
  texts.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count && ok_; ++i) texts.push_back(Text());
  return texts;
}

std::string MakeFrame(std::uint8_t kind, std::string_view payload) {
  WireWriter writer;
  writer.U32(static_cast<std::uint32_t>(payload.size() + 1));
  writer.U8(kind);
  std::string frame = writer.Take();
  frame.append(payload);
  return frame;
}

namespace {

std::uint32_t FrameLength(const char* bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i)
    value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << (8 * i);
  return value;
}

}  // namespace

std::optional<Frame> FrameBuffer::Next() {
  if (broken_ || pending_.size() < 4) return std::nullopt;
  const std::uint32_t length = FrameLength(pending_.data());
  if (length == 0 || length > kMaxFrameBytes) {
    broken_ = true;
    return std::nullopt;
  }
  if (pending_.size() - 4 < length) return std::nullopt;
  Frame frame;
  frame.kind = static_cast<std::uint8_t>(pending_[4]);
  frame.payload = pending_.substr(5, length - 1);
  pending_.erase(0, 4 + static_cast<std::size_t>(length));
  return frame;
}

std::optional<Frame> ReadFrame(int fd) {
  std::array<char, 4> header{};
  if (!ReadExactBytes(fd, header)) return std::nullopt;
  const std::uint32_t length = FrameLength(header.data());
  if (length == 0 || length > kMaxFrameBytes) return std::nullopt;
  std::string body(length, '\0');
  if (!ReadExactBytes(fd, body)) return std::nullopt;
  Frame frame;
  frame.kind = static_cast<std::uint8_t>(body[0]);
  frame.payload = body.substr(1);
  return frame;
}

}  // namespace rastrel
