// The first draw of a 468 x 133 advert picture, from the block's bytes to the picture on the
// screen, as a GIF of 256 colours against the same picture as a JPEG of quality 85, in the same
// run. A timed harness, run by hand under Wine:
//   scripts/wine-run build/win64/tests/gif/firstdraw_bench.exe
// Each round loads the bytes into a new picture (as the player's settings window does), draws it
// into a visible window at its size and flushes GDI; rounds alternate GIF and JPEG.
#include "gif/picture/picture.hpp"
#include "tests/gif/color/photo.hpp"
#include "tests/win/jpeg_writer.hpp"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 468, kHeight = 133, kRounds = 301;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// An advert: a grainy photo-like backdrop, solid shapes, a bold title and small print. 24-bit
// rows (blue, green, red) from the top.
std::vector<std::uint8_t> AdvertPicture() {
  win::TBitmap bitmap;
  bitmap.SetPixelFormat(win::pf24bit);
  bitmap.SetSize(kWidth, kHeight);
  const std::vector<std::uint8_t> photo = qt::bench::PhotoLike(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    std::copy_n(&photo[3 * static_cast<std::size_t>(y) * kWidth], 3 * kWidth,
                static_cast<std::uint8_t*>(bitmap.ScanLine(y)));
  const HDC dc = bitmap.Canvas().Handle();
  auto shape = [&](COLORREF color, auto draw) {
    const win::UniqueBrush brush(CreateSolidBrush(color));
    const HGDIOBJ old = SelectObject(dc, brush.get());
    draw();
    SelectObject(dc, old);
  };
  shape(RGB(250, 210, 40), [&] { Ellipse(dc, 12, 10, 122, 120); });
  shape(RGB(200, 30, 40), [&] { RoundRect(dc, 330, 84, 456, 122, 14, 14); });
  shape(RGB(20, 60, 140), [&] { Rectangle(dc, 140, 96, 320, 124); });
  SetBkMode(dc, TRANSPARENT);
  auto text = [&](int height, int weight, COLORREF color, int x, int y, const wchar_t* s) {
    const HFONT font = CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
    const HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, color);
    TextOutW(dc, x, y, s, static_cast<int>(wcslen(s)));
    SelectObject(dc, old);
    DeleteObject(font);
  };
  text(40, FW_BOLD, RGB(0, 0, 0), 142, 14, L"Tilvane 2026");
  text(40, FW_BOLD, RGB(255, 255, 255), 140, 12, L"Tilvane 2026");
  text(12, FW_NORMAL, RGB(255, 255, 255), 146, 102, L"Screen savers from your own movies");
  text(16, FW_BOLD, RGB(255, 255, 255), 350, 94, L"Try it now");
  text(11, FW_NORMAL, RGB(30, 30, 30), 140, 62, L"www.example.com  *  free download  *  no installation");
  GdiFlush();
  std::vector<std::uint8_t> out(3 * static_cast<std::size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    std::copy_n(static_cast<const std::uint8_t*>(bitmap.ScanLine(y)), 3 * kWidth,
                &out[3 * static_cast<std::size_t>(y) * kWidth]);
  return out;
}

// 256 colours: the 216 of the cube and 40 greys between its levels; each pixel takes the nearest.
std::string EncodeGif(const std::vector<std::uint8_t>& pixels) {
  std::vector<COLORREF> colors;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        colors.push_back(RGB(51 * r, 51 * g, 51 * b));
  for (int i = 0; colors.size() < 256; ++i) {
    const int v = 6 + 6 * i + i / 8 * 3;
    colors.push_back(RGB(v, v, v));
  }
  qt::TGIFImage image;
  image.Header().LogicalScreenDescriptor.ScreenWidth = kWidth;
  image.Header().LogicalScreenDescriptor.ScreenHeight = kHeight;
  for (COLORREF c : colors)
    image.Header().ColorMap().Add(c);
  auto frame = std::make_unique<qt::TGIFSubImage>(&image);
  frame->PlaceFrame(0, 0, kWidth, kHeight);
  for (std::size_t i = 0; i < pixels.size() / 3; ++i) {
    const int b = pixels[3 * i], g = pixels[3 * i + 1], r = pixels[3 * i + 2];
    int best = 0, bestDistance = 1 << 30;
    for (int k = 0; k < 256; ++k) {
      const int dr = GetRValue(colors[k]) - r, dg = GetGValue(colors[k]) - g, db = GetBValue(colors[k]) - b;
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < bestDistance) best = k, bestDistance = distance;
    }
    frame->Data()[i] = static_cast<std::uint8_t>(best);
  }
  image.AddFrame(std::move(frame));
  qt::MemoryStream written;
  image.SaveToStream(written);
  // As the maker packs an advert GIF: loaded into the picture and written by it again.
  qt::TGIFPicture picture;
  written.SetPosition(0);
  picture.LoadFromStream(written);
  qt::MemoryStream packed;
  picture.SaveToStream(packed);
  return packed.Bytes();
}

struct Round {
  double load, draw;
};

Round FirstDraw(HDC dc, const std::string& block, const char* extension) {
  const auto begin = Clock::now();
  qt::MemoryStream bytes(block);
  win::TPicture picture;
  picture.LoadFromStream(bytes, extension);
  const auto loaded = Clock::now();
  picture.Graphic()->Draw(dc, RECT{0, 0, kWidth, kHeight});
  GdiFlush();
  const auto drawn = Clock::now();
  return {Ms(loaded - begin), Ms(drawn - loaded)};
}

// Mean difference per channel between what the window shows and the picture made.
double MeanError(HDC dc, const std::vector<std::uint8_t>& picture) {
  win::TBitmap shown;
  shown.SetPixelFormat(win::pf24bit);
  shown.SetSize(kWidth, kHeight);
  BitBlt(shown.Canvas().Handle(), 0, 0, kWidth, kHeight, dc, 0, 0, SRCCOPY);
  GdiFlush();
  long long sum = 0;
  for (int y = 0; y < kHeight; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(shown.ScanLine(y));
    for (int i = 0; i < 3 * kWidth; ++i)
      sum += std::abs(row[i] - picture[3 * static_cast<std::size_t>(y) * kWidth + i]);
  }
  return static_cast<double>(sum) / picture.size();
}

} // namespace

int main() {
  qt::TGIFPictureRegistration registration;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"FirstDrawBench";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"first draw", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                      kHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
  UpdateWindow(window);
  for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
    DispatchMessageW(&msg);
  const win::WindowDC dc(window);

  const std::vector<std::uint8_t> advert = AdvertPicture();
  const std::string gif = EncodeGif(advert);
  const std::string jpeg = qt::testing::EncodeJpeg(kWidth, kHeight, false, [&](int x, int y) {
    const std::uint8_t* p = &advert[3 * (static_cast<std::size_t>(y) * kWidth + x)];
    return RGB(p[2], p[1], p[0]);
  }, 85);

  FirstDraw(dc.get(), gif, "gif");
  const double gifError = MeanError(dc.get(), advert);
  FirstDraw(dc.get(), jpeg, "jpg");
  const double jpegError = MeanError(dc.get(), advert);
  std::printf("%d x %d advert: GIF of 256 colours %zu bytes (mean error %.1f), JPEG of quality 85 %zu bytes "
              "(mean error %.1f); medians of %d rounds each\n",
              kWidth, kHeight, gif.size(), gifError, jpeg.size(), jpegError, kRounds);

  std::vector<double> gifLoad, gifDraw, gifTotal, jpegLoad, jpegDraw, jpegTotal;
  auto run = [&](const std::string& block, const char* extension, std::vector<double>& load, std::vector<double>& draw,
                 std::vector<double>& total) {
    const Round r = FirstDraw(dc.get(), block, extension);
    load.push_back(r.load);
    draw.push_back(r.draw);
    total.push_back(r.load + r.draw);
  };
  for (int i = 0; i < kRounds; ++i) {
    // Either goes first in every other round, so neither always finds the other's leftovers.
    if (i % 2) {
      run(gif, "gif", gifLoad, gifDraw, gifTotal);
      run(jpeg, "jpg", jpegLoad, jpegDraw, jpegTotal);
    } else {
      run(jpeg, "jpg", jpegLoad, jpegDraw, jpegTotal);
      run(gif, "gif", gifLoad, gifDraw, gifTotal);
    }
  }
  const double gifMs = Median(gifTotal), jpegMs = Median(jpegTotal);
  std::printf("GIF  first draw: %7.3f ms  (load %.3f ms, draw %.3f ms)\n", gifMs, Median(gifLoad), Median(gifDraw));
  std::printf("JPEG first draw: %7.3f ms  (load %.3f ms, draw %.3f ms)\n", jpegMs, Median(jpegLoad),
              Median(jpegDraw));
  std::printf("GIF / JPEG: %.2f (goal 1.00 or less)\n", gifMs / jpegMs);
  DestroyWindow(window);
  return 0;
}
