// Single owner of a FreeImage bitmap. Stages take a Bitmap by value and return the one
// the page continues with, so an image is released exactly once whatever path a stage takes.
#pragma once

#include <FreeImage.h>

#include <utility>

namespace rastrel {

class Bitmap {
 public:
  Bitmap() = default;
  explicit Bitmap(FIBITMAP* handle) noexcept : handle_(handle) {}
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Bitmap(Bitmap&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Bitmap& operator=(Bitmap&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  ~Bitmap() { reset(); }

  FIBITMAP* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  FIBITMAP* release() noexcept { return std::exchange(handle_, nullptr); }
  void reset(FIBITMAP* handle = nullptr) noexcept {
    if (handle_ != nullptr && handle_ != handle) FreeImage_Unload(handle_);
    handle_ = handle;
  }

  unsigned width() const noexcept { return handle_ ? FreeImage_GetWidth(handle_) : 0; }
  unsigned height() const noexcept { return handle_ ? FreeImage_GetHeight(handle_) : 0; }
  unsigned bpp() const noexcept { return handle_ ? FreeImage_GetBPP(handle_) : 0; }

 private:
  FIBITMAP* handle_ = nullptr;
};

}  // namespace rastrel
