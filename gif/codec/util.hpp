#pragma once
#include "base/stream.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qt {

// Small routines that every part of the GIF codec shares.

// Reads count bytes; fewer raise GIFException "Premature end of data".
void ReadExact(Stream& stream, void* buffer, std::size_t count);
// One byte; 0 when the stream has ended, which ends every loop over sub-block lengths.
std::uint8_t ReadByte(Stream& stream);
void WriteByte(Stream& stream, std::uint8_t value);
// Skips count bytes forward, never past the end of the stream.
void SkipBytes(Stream& stream, std::uint64_t count);
// Steps the stream back one byte (after a look at the next byte).
void StepBack(Stream& stream);

// Each string as data sub-blocks of at most 255 bytes (an empty string writes nothing), then
// the block terminator 0.
void WriteStringBlocks(Stream& stream, const std::vector<std::string>& lines);
// One string per sub-block, each ending at its first zero byte.
std::vector<std::string> ReadStringBlocks(Stream& stream);

// 0 for no colours, else the least b >= 1 with 2^b >= n.
int BitsForColors(int n);
// Bytes of a row of `pixels` at `bits` per pixel, padded to `alignment` bits (a power of two).
std::uint64_t ScanlineBytes(std::uint64_t pixels, int bits, int alignment);

struct RGBTriple {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const RGBTriple&, const RGBTriple&) = default;
};

// The 216-colour cube: entry 36r + 6g + b holds r, g, b times 51.
std::array<RGBTriple, 216> CubePaletteColors();

} // namespace qt
