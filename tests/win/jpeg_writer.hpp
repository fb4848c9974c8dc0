#pragma once
// Small JPEG files for tests, made with libjpeg's compressor.
#include <windows.h>

#include <functional>
#include <string>

namespace qt::testing {

// A baseline JPEG of the quality (libjpeg's 0 to 100) from one colour per pixel; grey takes each
// pixel's red part.
std::string EncodeJpeg(int width, int height, bool gray, const std::function<COLORREF(int x, int y)>& pixel,
                       int quality = 95);

} // namespace qt::testing
