#include "gif/picture/picture.hpp"
#include "gif/codec/optimize.hpp"

#include <exception>

namespace qt {

void TGIFPicture::OptimizeGIF(std::uint8_t options, std::uint8_t reductionMethod, std::uint8_t ditherKind,
                              int reductionBits) {
  if (Empty()) return;
  StopPainters();
  std::exception_ptr failure;
  {
    // No painter starts and no draw runs while frames change or go.
    std::lock_guard<std::recursive_mutex> hold(painterLock_);
    // Frames are merged away: the renders are made anew afterwards.
    renders_.clear();
    try {
      qt::OptimizeGIF(*image_, options, reductionMethod, ditherKind, reductionBits);
    } catch (...) {
      failure = std::current_exception();
    }
    RebuildRenders();
  }
  // The global map may have been reordered: a palette made from it no longer fits.
  SetPalette(win::UniquePalette());
  DiscardBitmap();
  Changed();
  if (failure) std::rethrow_exception(failure);
}

} // namespace qt
