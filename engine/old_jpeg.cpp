#include "engine/old_jpeg.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/freeimage_handles.h"
#include "engine/tiff_handle.h"

namespace rastrel {
namespace {

// libtiff reading from bytes already in memory.
struct MemoryFile {
  std::string_view bytes;
  toff_t position = 0;
};

tsize_t ReadProc(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size <= 0 || file->position >= file->bytes.size()) return 0;
  const auto n =
      std::min<std::uint64_t>(static_cast<std::uint64_t>(size), file->bytes.size() - file->position);
  std::memcpy(buffer, file->bytes.data() + file->position, n);
  file->position += n;
  return static_cast<tsize_t>(n);
}
tsize_t WriteProc(thandle_t, tdata_t, tsize_t) { return -1; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = file->position;
  if (whence == SEEK_END) base = file->bytes.size();
  file->position = base + offset;  // offset is two's complement for negative moves
  return file->position;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }
int MapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
void UnmapProc(thandle_t, tdata_t, toff_t) {}

TiffHandle OpenPage(MemoryFile& file, int pageIndex) {
  TiffHandle tif(TIFFClientOpen("memory", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                MapProc, UnmapProc),
                 nullptr);
  if (!tif || pageIndex < 0 || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(pageIndex))) return {};
  return tif;
}

bool StartsImage(std::string_view file, std::uint64_t at) {
  return at + 1 < file.size() && static_cast<unsigned char>(file[at]) == 0xFF &&
         static_cast<unsigned char>(file[at + 1]) == 0xD8;
}

std::uint64_t FindStartOfImage(std::string_view file, std::uint64_t from, std::uint64_t to) {
  to = std::min<std::uint64_t>(to, file.size());
  for (std::uint64_t at = from; at + 1 < to; ++at) {
    if (StartsImage(file, at)) return at;
  }
  return file.size();
}

}  // namespace

int CompressionFromMetadata(FIBITMAP* image) {
  if (image == nullptr || FreeImage_GetMetadataCount(FIMD_EXIF_MAIN, image) == 0) return 1;
  FITAG* tag = nullptr;
  if (!FreeImage_GetMetadata(FIMD_EXIF_MAIN, image, "Compression", &tag) || tag == nullptr) return 1;
  const auto* value = static_cast<const BYTE*>(FreeImage_GetTagValue(tag));
  return value != nullptr && FreeImage_GetTagLength(tag) > 0 ? value[0] : 1;
}

std::optional<int> PageCompression(std::string_view file, int pageIndex) {
  MemoryFile memory{file};
  TiffHandle tif = OpenPage(memory, pageIndex);
  std::uint16_t compression = 0;
  if (!tif || !TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &compression)) return std::nullopt;
  return compression;
}

std::string_view FindOldJpegStream(std::string_view file, int pageIndex) {
  MemoryFile memory{file};
  if (TiffHandle tif = OpenPage(memory, pageIndex)) {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    if (TIFFGetField(tif.get(), TIFFTAG_JPEGIFOFFSET, &offset) && StartsImage(file, offset)) {
      TIFFGetField(tif.get(), TIFFTAG_JPEGIFBYTECOUNT, &length);
      const std::uint64_t rest = file.size() - offset;
      return file.substr(offset, length > 0 && length <= rest ? length : rest);
    }
    if (TIFFNumberOfStrips(tif.get()) > 0) {
      const std::uint64_t strip = TIFFGetStrileOffset(tif.get(), 0);
      const std::uint64_t size = TIFFGetStrileByteCount(tif.get(), 0);
      const std::uint64_t at = FindStartOfImage(file, strip, strip + size);
      if (at < file.size()) return file.substr(at);
    }
  }
  // Without a readable directory, only the first page can be told by position alone.
  if (pageIndex != 0) return {};
  const std::uint64_t at = FindStartOfImage(file, 0, file.size());
  return at < file.size() ? file.substr(at) : std::string_view();
}

Bitmap DecodeJpegStream(std::string_view stream, std::uint64_t maxDecodedBytes) {
  if (stream.empty()) return Bitmap();
  MemoryStream memory = MemoryStream::Over(stream);
  if (!memory) return Bitmap();
  // The header alone first: the picture is allocated whole as soon as decoding starts.
  if (!FreeImage_SeekMemory(memory.get(), 0, SEEK_SET)) return Bitmap();
  const Bitmap header(FreeImage_LoadFromMemory(FIF_JPEG, memory.get(), FIF_LOAD_NOPIXELS));
  if (!header) return Bitmap();
  const DeclaredPage declared{header.width(), header.height(), header.bpp()};
  if (DecodedPageBytes(declared) > maxDecodedBytes) return Bitmap();
  if (!FreeImage_SeekMemory(memory.get(), 0, SEEK_SET)) return Bitmap();
  return Bitmap(FreeImage_LoadFromMemory(FIF_JPEG, memory.get(), JPEG_ACCURATE | JPEG_EXIFROTATE));
}

}  // namespace rastrel
