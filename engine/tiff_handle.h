// Single owner of a libtiff handle opened for reading. libtiff's messages about the file go
// to the caller's diagnostics list through handlers bound to this handle alone, so decoders
// running at the same time keep their messages apart and nothing reaches the console.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace rastrel {

class TiffHandle {
 public:
  // Where the handle's messages go; lives on the heap so that moving the handle keeps the
  // address libtiff was given.
  struct Sink {
    std::vector<std::string>* lines = nullptr;
    int count = 0;
    std::size_t summaryIndex = 0;
  };

  TiffHandle() = default;
  TiffHandle(TIFF* tif, std::unique_ptr<Sink> sink) noexcept : tif_(tif), sink_(std::move(sink)) {}
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;
  // A defaulted move would leave `other` owning the same handle, and it would be closed twice.
  TiffHandle(TiffHandle&& other) noexcept
      : tif_(std::exchange(other.tif_, nullptr)), sink_(std::move(other.sink_)) {}
  TiffHandle& operator=(TiffHandle&& other) noexcept {
    if (this != &other) {
      Close();
      tif_ = std::exchange(other.tif_, nullptr);
      sink_ = std::move(other.sink_);
    }
    return *this;
  }
  ~TiffHandle() { Close(); }

  TIFF* get() const noexcept { return tif_; }
  explicit operator bool() const noexcept { return tif_ != nullptr; }

 private:
  void Close() noexcept {
    if (tif_ != nullptr) TIFFClose(std::exchange(tif_, nullptr));
  }

  TIFF* tif_ = nullptr;
  std::unique_ptr<Sink> sink_;
};

// Opens `path` read-only without memory mapping (a file truncated by someone else while
// mapped would kill the process). `maxSingleAlloc` caps any one allocation libtiff makes
// for this file (0: libtiff's default). `diagnostics` must outlive the handle; at most a
// few dozen messages are kept per handle, the rest counted in one closing line.
TiffHandle OpenTiffForReading(const std::string& path, std::vector<std::string>& diagnostics,
                              std::uint64_t maxSingleAlloc = 0);

}  // namespace rastrel
