// The byte format of the messages between the coordinator and its worker processes:
// little-endian integers, length-prefixed texts, and frames of one kind byte and a payload,
// each preceded by its length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rastrel {

class WireWriter {
 public:
  void U8(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void Bool(bool value) { U8(value ? 1 : 0); }
  void U32(std::uint32_t value);
  void U64(std::uint64_t value);
  void I8(std::int8_t value) { U8(static_cast<std::uint8_t>(value)); }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void I64(std::int64_t value) { U64(static_cast<std::uint64_t>(value)); }
  void F32(float value);  // the exact bits, NaN and infinities included
  void Text(std::string_view text);
  void Texts(const std::vector<std::string>& texts);

  const std::string& bytes() const { return bytes_; }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// Reads what a WireWriter wrote. A read past the end gives zero values and marks the reader
// failed; check ok() once at the end.
class WireReader {
 public:
  explicit WireReader(std::string_view bytes) : bytes_(bytes) {}

  std::uint8_t U8();
  bool Bool() { return U8() != 0; }
  std::uint32_t U32();
  std::uint64_t U64();
  std::int8_t I8() { return static_cast<std::int8_t>(U8()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  float F32();
  std::string Text();
  std::vector<std::string> Texts();

  bool ok() const { return ok_; }
  // Everything read, nothing left over, no read past the end.
  bool Finished() const { return ok_ && position_ == bytes_.size(); }

 private:
  std::string_view Take(std::size_t count);

  std::string_view bytes_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

// Largest frame either side accepts; a longer one means the stream is broken.
inline constexpr std::size_t kMaxFrameBytes = std::size_t{1} << 30;

// A complete frame: 4-byte length (of kind and payload), kind, payload.
std::string MakeFrame(std::uint8_t kind, std::string_view payload);

struct Frame {
  std::uint8_t kind = 0;
  std::string payload;
};

// Cuts frames out of a byte stream that arrives in pieces.
class FrameBuffer {
 public:
  void Append(std::span<const char> bytes) { pending_.append(bytes.data(), bytes.size()); }
  // The next complete frame, if there is one.
  std::optional<Frame> Next();
  // A frame declared a length no sender writes: nothing more can be trusted.
  bool broken() const { return broken_; }
  bool empty() const { return pending_.empty(); }

 private:
  std::string pending_;
  bool broken_ = false;
};

// Reads one whole frame from a blocking descriptor; none at end of file or on an error.
std::optional<Frame> ReadFrame(int fd);

}  // namespace rastrel
