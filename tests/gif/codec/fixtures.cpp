#include "tests/gif/codec/fixtures.hpp"

namespace qt::test {

std::string PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths) {
  std::string out;
  std::uint32_t bucket = 0;
  int bits = 0;
  for (auto [code, width] : codesAndWidths) {
    bucket |= static_cast<std::uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      out.push_back(static_cast<char>(bucket & 0xFF));
      bucket >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0)
    out.push_back(static_cast<char>(bucket & 0xFF));
  return out;
}

std::string PackForDecoder(const std::vector<int>& codes, int m) {
  const int clear = 1 << m;
  std::vector<std::pair<int, int>> packed;
  int width = m + 1, next = clear + 2;
  bool first = true;
  for (int code : codes) {
    packed.emplace_back(code, width);
    if (code == clear) {
      width = m + 1;
      next = clear + 2;
      first = true;
    } else if (first) {
      first = false;
    } else if (next < 4096 && ++next >= 1 << width && width < 12) {
      ++width;
    }
  }
  return PackCodes(packed);
}

std::string SubBlocks(const std::string& data, std::size_t blockSize) {
  std::string out;
  for (std::size_t at = 0; at < data.size(); at += blockSize) {
    const std::size_t n = std::min(blockSize, data.size() - at);
    out.push_back(static_cast<char>(n));
    out += data.substr(at, n);
  }
  out.push_back('\0');
  return out;
}

std::vector<int> ReadCodes(const std::string& imageData) {
  const int m = static_cast<unsigned char>(imageData[0]);
  std::string data;
  for (std::size_t at = 1; at < imageData.size();) {
    const std::size_t n = static_cast<unsigned char>(imageData[at]);
    if (n == 0)
      break;
    data += imageData.substr(at + 1, n);
    at += 1 + n;
  }
  const int clear = 1 << m;
  std::vector<int> codes;
  int width = m + 1, next = clear + 2;
  bool first = true;
  std::size_t bit = 0;
  while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit)
      code |= ((static_cast<unsigned char>(data[bit / 8]) >> (bit % 8)) & 1) << i;
    codes.push_back(code);
    if (code == clear + 1)
      break;
    if (code == clear) {
      width = m + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (first) {
      first = false;
      continue;
    }
    if (next < 4096 && ++next == 1 << width && width < 12)
      ++width;
  }
  return codes;
}

std::string Le16(int v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string Header(int width, int height, int colors, const char* version) {
  std::string h = std::string(version) + Le16(width) + Le16(height);
  int size = 0;
  while (colors > 0 && (2 << size) < colors)
    ++size;
  h.push_back(static_cast<char>(colors > 0 ? 0x80 | size << 4 | size : 0));
  h.push_back('\0');
  h.push_back('\0');
  for (int i = 0; colors > 0 && i < (2 << size); ++i)
    h += std::string(3, static_cast<char>(i * 255 / ((2 << size) - 1)));
  return h;
}

std::string Descriptor(int left, int top, int width, int height, std::uint8_t flags) {
  std::string d(1, ',');
  for (int v : {left, top, width, height}) d += Le16(v);
  return d + static_cast<char>(flags);
}

std::unique_ptr<TGIFImage> LoadBytes(const std::string& bytes, Warnings* warnings) {
  auto image = std::make_unique<TGIFImage>();
  if (warnings)
    warnings->Attach(*image);
  MemoryStream stream(bytes);
  image->LoadFromStream(stream);
  return image;
}

std::string SaveBytes(TGIFImage& image) {
  MemoryStream stream;
  image.SaveToStream(stream);
  return stream.Bytes();
}

std::string Pixels(TGIFSubImage& frame) {
  if (!frame.Data())
    return {};
  return std::string(reinterpret_cast<const char*>(frame.Data()),
                     static_cast<std::size_t>(frame.DataSize()));
}

TGIFSubImage& AddFrame(TGIFImage& image, int width, int height, const std::string& pixels,
                       int localColors) {
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->PlaceFrame(0, 0, width, height);
  for (int i = 0; i < localColors; ++i)
    frame->ColorMap().Add(static_cast<TColor>(i * 0x010101));
  if (!pixels.empty())
    std::copy(pixels.begin(), pixels.end(), frame->Data());
  TGIFSubImage& added = *frame;
  image.AddFrame(std::move(frame));
  return added;
}

} // namespace qt::test
