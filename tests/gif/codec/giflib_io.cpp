#include "tests/gif/codec/giflib_io.hpp"

#include <gif_lib.h>

#include <cstring>
#include <functional>
#include <stdexcept>

namespace qt::test {

namespace {

struct Reader {
  const std::string* bytes;
  std::size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), r->bytes->size() - r->at);
  std::memcpy(buffer, r->bytes->data() + r->at, n);
  r->at += n;
  return static_cast<int>(n);
}

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int count) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(buffer),
                                                  static_cast<std::size_t>(count));
  return count;
}

std::vector<RefColor> Colors(const ColorMapObject* map) {
  std::vector<RefColor> colors;
  for (int i = 0; map && i < map->ColorCount; ++i)
    colors.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return colors;
}

// giflib wants whole powers of two; the missing entries are black, as ours writes them.
ColorMapObject* MakeMap(const std::vector<RefColor>& colors) {
  if (colors.empty())
    return nullptr;
  int size = 2;
  while (size < static_cast<int>(colors.size()))
    size *= 2;
  std::vector<GifColorType> entries(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < colors.size(); ++i)
    entries[i] = {colors[i].r, colors[i].g, colors[i].b};
  return GifMakeMapObject(size, entries.data());
}

// DGifOpen to DGifCloseFile; `use` sees the slurped file.
void Slurp(const std::string& bytes, const std::function<void(const GifFileType&)>& use) {
  Reader reader{&bytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
  if (!gif)
    throw std::runtime_error("giflib cannot open the data");
  if (DGifSlurp(gif) != GIF_OK) {
    DGifCloseFile(gif, &error);
    throw std::runtime_error("giflib cannot read the data");
  }
  if (use)
    use(*gif);
  DGifCloseFile(gif, &error);
}

} // namespace

void GiflibSlurp(const std::string& bytes, const GiflibFrameSeen& seen) {
  if (!seen) {
    Slurp(bytes, nullptr);
    return;
  }
  Slurp(bytes, [&](const GifFileType& gif) {
    for (int i = 0; i < gif.ImageCount; ++i) {
      const GifImageDesc& d = gif.SavedImages[i].ImageDesc;
      seen(gif.SavedImages[i].RasterBits, d.Width, d.Height);
    }
  });
}

RefImage GiflibRead(const std::string& bytes) {
  RefImage image;
  Slurp(bytes, [&](const GifFileType& gif) {
    image = {gif.SWidth, gif.SHeight, Colors(gif.SColorMap), {}};
    for (int i = 0; i < gif.ImageCount; ++i) {
      const SavedImage& s = gif.SavedImages[i];
      RefFrame f{s.ImageDesc.Left, s.ImageDesc.Top, s.ImageDesc.Width, s.ImageDesc.Height,
                 s.ImageDesc.Interlace, Colors(s.ImageDesc.ColorMap), {}};
      f.pixels.assign(reinterpret_cast<const char*>(s.RasterBits),
                      static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height));
      image.frames.push_back(std::move(f));
    }
  });
  return image;
}

std::string GiflibWrite(RefImage& image) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
  if (!gif)
    throw std::runtime_error("giflib cannot open for writing");
  ColorMapObject* global = MakeMap(image.globalMap);
  int bits = 8;
  if (EGifPutScreenDesc(gif, image.width, image.height, bits, 0, global) != GIF_OK)
    throw std::runtime_error("giflib cannot write the screen");
  GifFreeMapObject(global);
  for (RefFrame& f : image.frames) {
    ColorMapObject* local = MakeMap(f.localMap);
    if (EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local) != GIF_OK)
      throw std::runtime_error("giflib cannot write a descriptor");
    GifFreeMapObject(local);
    std::vector<int> rows;
    if (f.interlaced) {
      static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int r = start[pass]; r < f.height; r += step[pass])
          rows.push_back(r);
    } else {
      for (int r = 0; r < f.height; ++r)
        rows.push_back(r);
    }
    for (int r : rows) {
      auto* line = reinterpret_cast<GifPixelType*>(f.pixels.data()) +
                   static_cast<std::size_t>(r) * static_cast<std::size_t>(f.width);
      if (EGifPutLine(gif, line, f.width) != GIF_OK)
        throw std::runtime_error("giflib cannot write a line");
    }
  }
  EGifCloseFile(gif, &error);
  return out;
}

} // namespace qt::test
