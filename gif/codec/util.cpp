#include "gif/codec/util.hpp"

#include "gif/codec/error.hpp"

#include <algorithm>

namespace qt {

void RaiseGIFError(const std::string& message) { throw GIFException(message); }

void ReadExact(Stream& stream, void* buffer, std::size_t count) {
  if (stream.Read(buffer, count) != count)
    RaiseGIFError(gif_text::kPrematureEnd);
}

std::uint8_t ReadByte(Stream& stream) {
  std::uint8_t b = 0;
  stream.Read(&b, 1);
  return b;
}

void WriteByte(Stream& stream, std::uint8_t value) { stream.Write(&value, 1); }

void SkipBytes(Stream& stream, std::uint64_t count) {
  const std::uint64_t position = stream.Position();
  const std::uint64_t size = stream.Size();
  stream.SetPosition(position >= size ? position : position + std::min(count, size - position));
}

void StepBack(Stream& stream) { stream.Seek(-1, SeekOrigin::current); }

void WriteStringBlocks(Stream& stream, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    for (std::size_t at = 0; at < line.size(); at += 255) {
      const std::size_t n = std::min<std::size_t>(255, line.size() - at);
      WriteByte(stream, static_cast<std::uint8_t>(n));
      stream.Write(line.data() + at, n);
    }
  }
  WriteByte(stream, 0);
}

std::vector<std::string> ReadStringBlocks(Stream& stream) {
  std::vector<std::string> lines;
  char block[255];
  for (std::uint8_t n = ReadByte(stream); n != 0; n = ReadByte(stream)) {
    ReadExact(stream, block, n);
    lines.emplace_back(block, std::find(block, block + n, '\0'));
  }
  return lines;
}

int BitsForColors(int n) {
  if (n <= 0)
    return 0;
  int b = 1;
  while ((1 << b) < n)
    ++b;
  return b;
}

std::uint64_t ScanlineBytes(std::uint64_t pixels, int bits, int alignment) {
  const std::uint64_t a = static_cast<std::uint64_t>(alignment);
  return ((pixels * static_cast<std::uint64_t>(bits) + a - 1) & ~(a - 1)) / 8;
}

std::array<RGBTriple, 216> CubePaletteColors() {
  std::array<RGBTriple, 216> cube;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        cube[36 * r + 6 * g + b] = {static_cast<std::uint8_t>(r * 51),
                                    static_cast<std::uint8_t>(g * 51),
                                    static_cast<std::uint8_t>(b * 51)};
  return cube;
}

} // namespace qt
