#include "win/jpeg.hpp"

#include "win/bitmap.hpp"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

namespace win {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. Ours jumps back to
// the C++ frame that made the library call, which then throws: no exception ever crosses
// libjpeg's C frames.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt data, a premature end) leave the picture as far as it decoded.
extern "C" void IgnoreMessage(j_common_ptr, int) {}

// Reads from bytes in memory, as libjpeg's file source does from a file: an empty input is an
// error, and a premature end a warning after which a fake end marker closes the picture.
struct MemorySource {
  jpeg_source_mgr pub;
  bool started;
};

const JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};

extern "C" void InitSource(j_decompress_ptr) {}
extern "C" boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
  if (!src->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  WARNMS(cinfo, JWRN_JPEG_EOF);
  src->pub.next_input_byte = kEndOfImage;
  src->pub.bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}
extern "C" void SkipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInput(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= count;
}
extern "C" void TermSource(j_decompress_ptr) {}

// One decompression, destroyed whatever happens.
class Decompressor {
public:
  explicit Decompressor(const std::string& bytes) {
    cinfo_.err = jpeg_std_error(&err_.pub);
    err_.pub.error_exit = JumpOnError;
    err_.pub.emit_message = IgnoreMessage;
    Call([this] { jpeg_create_decompress(&cinfo_); });
    created_ = true;
    src_.pub.init_source = InitSource;
    src_.pub.fill_input_buffer = FillInput;
    src_.pub.skip_input_data = SkipInput;
    src_.pub.resync_to_restart = jpeg_resync_to_restart;
    src_.pub.term_source = TermSource;
    src_.pub.next_input_byte = reinterpret_cast<const JOCTET*>(bytes.data());
    src_.pub.bytes_in_buffer = bytes.size();
    src_.started = !bytes.empty();
    cinfo_.src = &src_.pub;
  }
  ~Decompressor() {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& Info() { return cinfo_; }

  // Runs library calls; f must hold no object with a destructor, as a library error jumps out
  // of it.
  template <class F>
  void Call(F&& f) {
    if (setjmp(err_.jump)) {
      char text[JMSG_LENGTH_MAX];
      err_.pub.format_message(reinterpret_cast<j_common_ptr>(&cinfo_), text);
      throw EJPEG(err_.pub.msg_code, text);
    }
    f();
  }

private:
  jpeg_decompress_struct cinfo_{};
  ErrorManager err_{};
  MemorySource src_{};
  bool created_ = false;
};

bool ScreenHasPalette() {
  WindowDC screen(nullptr);
  return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES) <= 8;
}

} // namespace

void TJPEGImage::LoadFromStream(qt::Stream& stream) {
  std::string bytes = ReadRest(stream);
  Decode(bytes);
  bytes_ = std::move(bytes);
}

void TJPEGImage::SaveToStream(qt::Stream& stream) const { stream.Write(bytes_); }

void TJPEGImage::SetScale(unsigned num, unsigned denom) {
  scaleNum_ = num, scaleDenom_ = denom;
  if (!bytes_.empty()) Decode(bytes_);
}

void TJPEGImage::SetColors(TJPEGColors colors) {
  colors_ = colors;
  if (!bytes_.empty()) Decode(bytes_);
}

void TJPEGImage::Decode(const std::string& bytes) {
  Decompressor d(bytes);
  jpeg_decompress_struct& c = d.Info();
  d.Call([&] { jpeg_read_header(&c, TRUE); });
  bool gray = c.jpeg_color_space == JCS_GRAYSCALE;
  // libjpeg 6b converts no grey picture to RGB; an 8-bit bitmap with a grey table shows it.
  c.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  c.scale_num = scaleNum_;
  c.scale_denom = scaleDenom_;
  bool palette = colors_ == TJPEGColors::Palette236 || (colors_ == TJPEGColors::Display && ScreenHasPalette());
  if (palette) {
    c.quantize_colors = TRUE;
    c.desired_number_of_colors = 236;
  }
  d.Call([&] { jpeg_start_decompress(&c); });

  BitmapInfo info;
  info.header.biSize = sizeof info.header;
  info.header.biWidth = static_cast<LONG>(c.output_width);
  info.header.biHeight = static_cast<LONG>(c.output_height);
  info.header.biPlanes = 1;
  info.header.biCompression = BI_RGB;
  bool indexed = palette || gray;
  info.header.biBitCount = indexed ? 8 : 24;
  if (c.quantize_colors) {
    info.header.biClrUsed = static_cast<DWORD>(c.actual_number_of_colors);
    for (int i = 0; i < c.actual_number_of_colors; ++i) {
      JSAMPLE r = c.colormap[0][i];
      info.colors[i] = gray ? RGBQUAD{r, r, r, 0} : RGBQUAD{c.colormap[2][i], c.colormap[1][i], r, 0};
    }
  } else if (gray) {
    info.header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) {
      auto v = static_cast<BYTE>(i);
      info.colors[i] = RGBQUAD{v, v, v, 0};
    }
  }
  size_t rowBytes = (c.output_width * c.output_components + 3) & ~size_t{3};
  std::vector<unsigned char> bits(rowBytes * c.output_height);
  while (c.output_scanline < c.output_height) {
    // DIB rows run bottom-up.
    JSAMPROW row = bits.data() + rowBytes * (c.output_height - 1 - c.output_scanline);
    d.Call([&] { jpeg_read_scanlines(&c, &row, 1); });
    if (!indexed)
      for (JDIMENSION x = 0; x < c.output_width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
  }
  d.Call([&] { jpeg_finish_decompress(&c); });

  UniquePalette pal;
  if (c.quantize_colors) {
    struct {
      LOGPALETTE header;
      PALETTEENTRY more[255];
    } lp{};
    lp.header.palVersion = 0x300;
    lp.header.palNumEntries = static_cast<WORD>(info.header.biClrUsed);
    PALETTEENTRY* entries = lp.header.palPalEntry;
    for (WORD i = 0; i < lp.header.palNumEntries; ++i)
      entries[i] = PALETTEENTRY{info.colors[i].rgbRed, info.colors[i].rgbGreen, info.colors[i].rgbBlue, 0};
    pal.reset(CreatePalette(&lp.header));
  }
  width_ = static_cast<int>(c.output_width);
  height_ = static_cast<int>(c.output_height);
  info_ = info;
  bits_ = std::move(bits);
  palette_ = std::move(pal);
}

void TJPEGImage::Draw(HDC dc, const RECT& r) const {
  if (Empty()) return;
  HPALETTE old = palette_ ? SelectPalette(dc, palette_.get(), TRUE) : nullptr;
  if (palette_) RealizePalette(dc);
  int mode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, width_, height_, bits_.data(),
                reinterpret_cast<const BITMAPINFO*>(&info_), DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, mode);
  if (old) SelectPalette(dc, old, TRUE);
}

void TJPEGImage::AssignTo(TBitmap& dest) const {
  UniqueBitmap dib;
  if (!Empty()) {
    void* bits = nullptr;
    dib.reset(CheckGDIHandle(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info_), DIB_RGB_COLORS, &bits, nullptr, 0)));
    std::memcpy(bits, bits_.data(), bits_.size());
  }
  // The bitmap takes the colour table, and so the palette, with the pixels.
  dest.SetHandle(std::move(dib));
}

} // namespace win
