#include "engine/page_source.h"

#include <utility>

#include "engine/diagnostics.h"
#include "engine/old_jpeg.h"
#include "engine/tiff_decoder.h"
#include "engine/tiff_orientation.h"
#include "platform/filesystem.h"

namespace rastrel {

PageSource::PageSource(std::string path, bool libtiffOnly, std::uint64_t maxDecodedBytes)
    : path_(std::move(path)), tiff_(path_), libtiffOnly_(libtiffOnly), maxDecodedBytes_(maxDecodedBytes) {
  if (libtiffOnly_) {
    pageCount_ = tiff_.PageCount();
    return;
  }
  container_ = MultiBitmap::OpenForReading(FIF_TIFF, path_.c_str());
  pageCount_ = container_.PageCount();
  if (!container_) {
    // Loading decodes the page at once: one declared too large is left for Load to refuse.
    if (SizeRefusal(0).empty()) single_.reset(FreeImage_Load(FIF_TIFF, path_.c_str(), 0));
    pageCount_ = single_ ? 1 : 0;
  }
  // Files FreeImage cannot open at all may still be TIFFs libtiff reads page by page.
  if (pageCount_ == 0)
    pageCount_ = tiff_.PageCount();
  else if (pageCount_ == 1) {
    // A single page is loaded directly: locking it would decode it into the container
    // and the clone would hold a second copy of every pixel.
    container_.reset();
  }
}

std::string PageSource::SizeRefusal(int index) {
  TiffPageFacts facts;
  if (!tiff_.Facts(index, facts)) return {};
  return PageSizeRefusal(DeclaredPageOf(facts), maxDecodedBytes_);
}

Bitmap PageSource::LoadWithFreeImage(int index) {
  if (single_) return std::move(single_);
  // The first page needs no container either; any other is lent by the container and
  // copied, because the container keeps ownership of what it lends.
  if (index == 0) return Bitmap(FreeImage_Load(FIF_TIFF, path_.c_str(), 0));
  LockedPage page(container_, index);
  return page ? Bitmap(FreeImage_Clone(page.get())) : Bitmap();
}

Bitmap PageSource::OldJpegFallback(int index, const Bitmap& decoded, DiagnosticsCapture& diagnostics) {
  // FreeImage normally decodes these pages itself; the stream is decoded directly when its
  // metadata names the old compression or it gave nothing at all.
  const bool flagged = decoded && CompressionFromMetadata(decoded.get()) == kOldStyleJpegCompression;
  const bool missing = !decoded || decoded.width() == 0 || decoded.height() == 0;
  if (!flagged && !missing) return Bitmap();
  if (!bytes_) bytes_ = ReadWholeFile(path_);
  if (!bytes_) return Bitmap();
  if (!flagged && PageCompression(*bytes_, index) != kOldStyleJpegCompression) return Bitmap();
  Bitmap image = DecodeJpegStream(FindOldJpegStream(*bytes_, index), maxDecodedBytes_);
  if (image) diagnostics.Add("decoded from its embedded JPEG stream (old-style JPEG compression)");
  return image;
}

Bitmap PageSource::LoadWithLibtiff(int index, DiagnosticsCapture& diagnostics) {
  std::vector<std::string> messages;
  Bitmap image = DecodeTiffPage(path_, index, messages, TiffDecodeLimits{maxDecodedBytes_});
  for (const std::string& message : messages) diagnostics.Add(message);
  if (image) diagnostics.Add("decoded with libtiff");
  return image;
}

Bitmap PageSource::Load(int index, DiagnosticsCapture& diagnostics) {
  TiffPageFacts facts;
  const bool known = tiff_.Facts(index, facts);
  for (const std::string& message : tiff_.TakeMessages()) diagnostics.Add(message);
  if (known) {
    // Whatever the decoder, the page is allocated whole: its declared size decides first.
    if (const std::string refusal = PageSizeRefusal(DeclaredPageOf(facts), maxDecodedBytes_);
        !refusal.empty()) {
      diagnostics.Add(refusal);
      sourceDepth_ = 0;
      return Bitmap();
    }
  }
  Bitmap image;
  if (!libtiffOnly_ && (!known || !ShouldPreferLibtiff(facts))) {
    image = LoadWithFreeImage(index);
    if (Bitmap fallback = OldJpegFallback(index, image, diagnostics)) image = std::move(fallback);
  }
  // No image, or one the stages and the output depth conversion cannot take (a JPEG is
  // written at 8 or 24 bits): libtiff decodes the page instead.
  sourceDepth_ = static_cast<int>(image.bpp());
  if (!image || image.width() == 0 || image.height() == 0 || !CanReachOutputDepth(image.get(), 8)) {
    if (image) diagnostics.Add("FreeImage gave a page of a pixel type the stages cannot use");
    image = LoadWithLibtiff(index, diagnostics);
    sourceDepth_ =
        known && image ? facts.bitsPerSample * facts.samplesPerPixel : static_cast<int>(image.bpp());
  }
  // Both decoders hand over stored order; the Orientation tag turns the page upright
  // before any stage sees it.
  return ApplyOrientation(std::move(image), known ? facts.orientation : ORIENTATION_TOPLEFT);
}

}  // namespace rastrel
