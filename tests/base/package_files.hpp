#pragma once
#include "base/package.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qt::testing {

using BlockList = std::vector<std::pair<std::uint8_t, std::string>>;

// A player image stand-in: it holds both markers, so a reader must not search for them.
inline std::string Image(std::size_t size = 300) {
  std::string image = "MZ..qotnav19760109";
  image.resize(size, '\x90');
  return image.substr(0, size);
}

// The screen saver file of image and blocks, in memory.
inline std::string BuildFile(const std::string& image, const BlockList& blocks) {
  PackageWriter writer;
  for (const auto& [kind, bytes] : blocks)
    writer.AddBlock(kind, bytes);
  MemoryStream image_stream(image);
  MemoryStream out;
  writer.Write(image_stream, out);
  return out.Bytes();
}

// Puts a 32-bit little-endian value at pos.
inline void PutU32(std::string& bytes, std::size_t pos, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[pos + i] = static_cast<char>(value >> (8 * i));
}

} // namespace qt::testing
