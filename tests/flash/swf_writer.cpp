#include "tests/flash/swf_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace qt::testing {
namespace {

void PutLittle(std::string& out, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i)
    out += static_cast<char>(v >> (8 * i) & 0xFF);
}

// The stage rectangle in twips, with as few bits per field as fit.
std::string StageRect(const SwfOptions& o) {
  const std::int32_t fields[] = {o.left * 20, (o.left + o.width) * 20, o.top * 20,
                                 (o.top + o.height) * 20};
  int nbits = 1; // the fields are signed: one bit more than the largest magnitude needs
  for (std::int32_t v : fields)
    while ((v < 0 ? ~v : v) >> (nbits - 1) != 0)
      ++nbits;
  std::vector<bool> bits;
  auto put = [&bits](std::uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i)
      bits.push_back(v >> i & 1);
  };
  put(nbits, 5);
  for (std::int32_t v : fields)
    put(static_cast<std::uint32_t>(v), nbits);
  std::string out((bits.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < bits.size(); ++i)
    if (bits[i])
      out[i / 8] |= static_cast<char>(0x80 >> (i % 8));
  return out;
}

std::string Deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                Z_BEST_COMPRESSION) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

} // namespace

std::string SwfTag(int code, std::string_view body, bool longHeader) {
  std::string out;
  const bool isLong = longHeader || body.size() >= 0x3F;
  PutLittle(out, static_cast<std::uint32_t>(code) << 6 | (isLong ? 0x3F : body.size()), 2);
  if (isLong)
    PutLittle(out, static_cast<std::uint32_t>(body.size()), 4);
  out += body;
  return out;
}

std::string SwfFile(const SwfOptions& o, std::string_view tags) {
  std::string body = StageRect(o);
  PutLittle(body, o.frameRate, 2);
  PutLittle(body, static_cast<std::uint32_t>(o.declaredFrames.value_or(o.frames)), 2);
  body += tags;

  std::string out = o.compressed ? "CWS" : "FWS";
  out += static_cast<char>(o.version);
  PutLittle(out, static_cast<std::uint32_t>(8 + body.size()), 4);
  out += o.compressed ? Deflate(body) : body;
  return out;
}

std::string MakeSwf(const SwfOptions& o) {
  std::string rgb;
  for (int channel = 0; channel < 3; ++channel)
    rgb += static_cast<char>(o.background >> (8 * channel) & 0xFF);
  std::string tags = SwfTag(kSwfTagSetBackgroundColor, rgb);
  for (int frame = 1; frame <= o.frames; ++frame) {
    if (std::ranges::find(o.stopFrames, frame) != o.stopFrames.end())
      tags += SwfTag(kSwfTagDoAction, std::string_view("\x07\x00", 2));
    tags += SwfTag(kSwfTagShowFrame, "");
  }
  tags += SwfTag(kSwfTagEnd, "");
  return SwfFile(o, tags);
}

void WriteSwfFile(const std::filesystem::path& path, const SwfOptions& o) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  const std::string bytes = MakeSwf(o);
  if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    throw std::runtime_error("cannot write " + path.string());
}

} // namespace qt::testing
