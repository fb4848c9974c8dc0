#pragma once
// Small GIF byte fixtures built in the tests, and a model of the code stream to read codes back.
#include "base/stream.hpp"
#include "gif/codec/GIFImage.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qt::test {

// Codes packed least significant bit first at the given widths.
std::string PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths);
// Codes at the widths a decoder reads them with minimum code size m.
std::string PackForDecoder(const std::vector<int>& codes, int m);
// Bytes as data sub-blocks of at most `blockSize` bytes, then the terminator.
std::string SubBlocks(const std::string& data, std::size_t blockSize = 255);
// The codes of a GIF code stream with minimum code size m, with the code width a decoder keeps.
std::vector<int> ReadCodes(const std::string& imageData);

// Logical screen and optional global map of `colors` grey entries.
std::string Header(int width, int height, int colors, const char* version = "GIF89a");
// An image descriptor: separator, position, size and flags.
std::string Descriptor(int left, int top, int width, int height, std::uint8_t flags);
std::string Le16(int v);

struct Warnings {
  std::vector<std::string> texts;
  void Attach(TGIFImage& image) {
    image.OnCodecWarning = [this](GIFSender, std::uint8_t severity, const std::string& message) {
      texts.push_back(severity == 1 ? message : "severity " + std::to_string(severity));
    };
  }
};

// Loads bytes into a new image; the warnings go to `warnings` when given.
std::unique_ptr<TGIFImage> LoadBytes(const std::string& bytes, Warnings* warnings = nullptr);
std::string SaveBytes(TGIFImage& image);
std::string Pixels(TGIFSubImage& frame);

// A new frame of the given size on `image`, with pixels and optionally a local map.
TGIFSubImage& AddFrame(TGIFImage& image, int width, int height, const std::string& pixels,
                       int localColors = 0);

} // namespace qt::test
