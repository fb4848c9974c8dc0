#include "tests/win/jpeg_writer.hpp"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace qt::testing {

std::string EncodeJpeg(int width, int height, bool gray, const std::function<COLORREF(int x, int y)>& pixel,
                       int quality) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = gray ? 1 : 3;
  c.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(width * 3);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < width; ++x) {
      COLORREF p = pixel(x, static_cast<int>(c.next_scanline));
      if (gray)
        row[x] = GetRValue(p);
      else
        row[3 * x] = GetRValue(p), row[3 * x + 1] = GetGValue(p), row[3 * x + 2] = GetBValue(p);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string bytes(reinterpret_cast<char*>(out), size);
  std::free(out);
  jpeg_destroy_compress(&c);
  return bytes;
}

} // namespace qt::testing
