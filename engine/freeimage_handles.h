// Single owners of the FreeImage handles other than bitmaps: memory streams, multi-page
// containers and the page a container lends out while it is locked.
#pragma once

#include <FreeImage.h>

#include <string_view>
#include <utility>

namespace rastrel {

class MemoryStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(FIMEMORY* handle) noexcept : handle_(handle) {}
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  MemoryStream(MemoryStream&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  MemoryStream& operator=(MemoryStream&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  ~MemoryStream() { reset(); }

  // A growing stream for writing into.
  static MemoryStream ForWriting() { return MemoryStream(FreeImage_OpenMemory()); }
  // A read-only view of bytes the caller keeps alive for the stream's lifetime.
  static MemoryStream Over(std::string_view bytes) {
    // FreeImage does not write into a stream opened on caller memory.
    auto* data = const_cast<BYTE*>(reinterpret_cast<const BYTE*>(bytes.data()));
    return MemoryStream(FreeImage_OpenMemory(data, static_cast<DWORD>(bytes.size())));
  }

  FIMEMORY* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  void reset(FIMEMORY* handle = nullptr) noexcept {
    if (handle_ != nullptr && handle_ != handle) FreeImage_CloseMemory(handle_);
    handle_ = handle;
  }

  // The bytes written so far; valid until the next write or the stream's end.
  std::string_view Bytes() const noexcept {
    BYTE* data = nullptr;
    DWORD size = 0;
    if (handle_ == nullptr || !FreeImage_AcquireMemory(handle_, &data, &size)) return {};
    return {reinterpret_cast<const char*>(data), size};
  }

 private:
  FIMEMORY* handle_ = nullptr;
};

class MultiBitmap {
 public:
  MultiBitmap() = default;
  explicit MultiBitmap(FIMULTIBITMAP* handle) noexcept : handle_(handle) {}
  MultiBitmap(const MultiBitmap&) = delete;
  MultiBitmap& operator=(const MultiBitmap&) = delete;
  MultiBitmap(MultiBitmap&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  MultiBitmap& operator=(MultiBitmap&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  ~MultiBitmap() { reset(); }

  // Read-only, with the page cache in memory: nothing is ever written beside the input.
  static MultiBitmap OpenForReading(FREE_IMAGE_FORMAT format, const char* path) {
    return MultiBitmap(FreeImage_OpenMultiBitmap(format, path, FALSE, TRUE, TRUE, 0));
  }

  FIMULTIBITMAP* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  int PageCount() const noexcept { return handle_ ? FreeImage_GetPageCount(handle_) : 0; }
  void reset(FIMULTIBITMAP* handle = nullptr) noexcept {
    if (handle_ != nullptr && handle_ != handle) FreeImage_CloseMultiBitmap(handle_, 0);
    handle_ = handle;
  }

 private:
  FIMULTIBITMAP* handle_ = nullptr;
};

// A page borrowed from its container: the container keeps owning it, and the guard hands
// it back unchanged. Take a Bitmap of your own with FreeImage_Clone before any stage runs.
class LockedPage {
 public:
  LockedPage(const MultiBitmap& container, int index) noexcept
      : container_(container.get()), page_(container_ ? FreeImage_LockPage(container_, index) : nullptr) {}
  LockedPage(const LockedPage&) = delete;
  LockedPage& operator=(const LockedPage&) = delete;
  ~LockedPage() {
    if (page_ != nullptr) FreeImage_UnlockPage(container_, page_, FALSE);
  }

  FIBITMAP* get() const noexcept { return page_; }
  explicit operator bool() const noexcept { return page_ != nullptr; }

 private:
  FIMULTIBITMAP* container_ = nullptr;
  FIBITMAP* page_ = nullptr;
};

}  // namespace rastrel
