#pragma once
// Small JPEG files for tests, made with libjpeg's compressor.
#include <windows.h>

#include <functional>
#include <string>

namespace qt::testing {

// A baseline JPEG of quality 95 from one colour per pixel; grey takes each pixel's red part.
std::string EncodeJpeg(int width, int height, bool gray, const std::function<COLORREF(int x, int y)>& pixel);

} // namespace qt::testing
