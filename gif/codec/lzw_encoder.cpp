#include "gif/codec/GIFImage.hpp"
#include "gif/codec/lzw.hpp"

#include <algorithm>
#include <cstring>

namespace qt {

// ---- Writer ----

void TGIFWriter::FlushBlock() {
  if (fill_ == 1)
    return;
  buffer_[0] = static_cast<std::uint8_t>(fill_ - 1);
  target_.Write(buffer_, static_cast<std::size_t>(fill_));
  fill_ = 1;
}

// ---- Encoder base ----

void TGIFEncoder::EncodeFrame(Stream& stream, int depth, int width, int height, bool interlaced,
                              const std::uint8_t* pixels, int colorLimit) {
  colorLimit_ = colorLimit;
  width_ = width;
  height_ = height;
  interlaced_ = interlaced;
  pixels_ = pixels;
  minCodeSize_ = depth <= 1 ? 2 : depth;
  WriteByte(stream, static_cast<std::uint8_t>(minCodeSize_));
  initialCodeWidth_ = codeWidth_ = minCodeSize_ + 1;
  maxCode_ = (1 << codeWidth_) - 1;
  clearCode_ = 1 << minCodeSize_;
  endCode_ = clearCode_ + 1;
  firstFreeCode_ = clearCode_ + 2;
  bucket_ = 0;
  bucketBits_ = 0;
  started_ = false;
  row_ = 0;
  pass_ = 0;
  TGIFWriter writer(stream);
  writer_ = &writer;
  try {
    if (pixels && width > 0 && height > 0)
      CompressPixels();
    PutCode(endCode_);
    // The last bits after the end code, the last byte filled up with zero bits.
    for (; bucketBits_ > 0; bucketBits_ -= 8) {
      writer.WriteByte(static_cast<std::uint8_t>(bucket_));
      bucket_ >>= 8;
    }
    bucketBits_ = 0;
  } catch (...) {
    writer.FlushBlock();
    writer_ = nullptr;
    throw;
  }
  writer.FlushBlock();
  writer_ = nullptr;
  WriteByte(stream, 0);
}

void TGIFEncoder::EmitClear() {
  afterClear_ = true;
  PutCode(clearCode_);
}

bool TGIFEncoder::NextStretch(const std::uint8_t*& begin, const std::uint8_t*& end) {
  const std::size_t w = static_cast<std::size_t>(width_);
  if (!interlaced_) {
    if (started_)
      return false;
    started_ = true;
    begin = pixels_;
    end = pixels_ + w * static_cast<std::size_t>(height_);
    return true;
  }
  if (started_) {
    static constexpr int step[4] = {8, 8, 4, 2}, start[4] = {0, 4, 2, 1};
    row_ += step[pass_];
    while (row_ >= height_ && pass_ < 3)
      row_ = start[++pass_];
  }
  started_ = true;
  if (row_ >= height_)
    return false;
  begin = pixels_ + static_cast<std::size_t>(row_) * w;
  end = begin + w;
  return true;
}

const std::uint8_t* TGIFEncoder::ValidEnd(const std::uint8_t* begin,
                                          const std::uint8_t* end) const {
  if (colorLimit_ >= 256)
    return end;
  std::uint8_t top = 0;
  for (const std::uint8_t* p = begin; p < end; ++p)
    top = std::max(top, *p);
  if (top < colorLimit_)
    return end;
  return std::find_if(begin, end, [this](std::uint8_t v) { return v >= colorLimit_; });
}

// ---- LZW ----

namespace {

// Eight slots for each code the table can hold, so a probe rarely goes past its first slot. A slot
// holds a code (0 for none: codes in the table start above the end code); the code's string is
// checked against keys_, away from the path that finds the next code.
constexpr std::uint32_t kHashBits = 15;
constexpr std::uint32_t kHashSize = 1u << kHashBits;
constexpr std::uint16_t kFree = 0;

// The first slot of the string `prefix` + `pixel`. The prefix, which the load before gave, is only
// shifted (codes are below 4096, so no mask); the pixel's part is ready early.
inline std::uint32_t HashKey(std::uint32_t prefix, std::uint32_t pixel) {
  return prefix << (kHashBits - 12) ^ (pixel * 2654435761u) >> (32 - kHashBits);
}

// Steps through every slot, so a probe ends at a free slot or the key whatever the load.
inline std::uint32_t NextProbe(std::uint32_t h) { return (h + 1) & (kHashSize - 1); }

} // namespace

void TLZWEncoder::ClearTable() {
  std::fill(table_.begin(), table_.end(), kFree);
  std::fill(lastChildPixel_.begin(), lastChildPixel_.end(), 0xFFFF);
}

void TLZWEncoder::EmitClear() {
  TGIFEncoder::EmitClear();
  ClearTable();
  nextCode_ = clearCode_ + 2;
}

void TLZWEncoder::PutCode(int code) {
  PackCode(code);
  if (afterClear_) {
    codeWidth_ = initialCodeWidth_;
    maxCode_ = (1 << codeWidth_) - 1;
    afterClear_ = false;
  } else {
    Widen(nextCode_, codeWidth_, maxCode_);
  }
}

template <bool kRuns>
std::uint32_t TLZWEncoder::CompressSpan(const std::uint8_t* p, const std::uint8_t* end,
                                        std::uint32_t prefix) {
  std::uint16_t* const table = table_.data();
  std::uint32_t* const keys = keys_.data();
  std::uint16_t* const child = lastChild_.data();
  std::uint16_t* const childPixel = lastChildPixel_.data();
  TGIFWriter& writer = *writer_;
  // The coder's state in locals: the table's stores could alias the members, which would then be
  // read again after every store.
  std::uint64_t bucket;
  int bits, width, maxCode, nextCode;
  auto load = [&] {
    bucket = bucket_;
    bits = bucketBits_;
    width = codeWidth_;
    maxCode = maxCode_;
    nextCode = nextCode_;
  };
  auto store = [&] {
    bucket_ = bucket;
    bucketBits_ = bits;
    codeWidth_ = width;
    maxCode_ = maxCode;
    nextCode_ = nextCode;
  };
  load();
  for (; p < end; ++p) {
    const std::uint32_t pixel = *p;
    if (kRuns && childPixel[prefix] == pixel) {
      prefix = child[prefix];
      continue;
    }
    const std::uint32_t key = prefix << 8 | pixel;
    std::uint32_t h = HashKey(prefix, pixel);
    std::uint32_t code;
    while ((code = table[h]) != kFree && keys[code] != key)
      h = NextProbe(h);
    if (code != kFree) {
      if (kRuns) {
        child[prefix] = static_cast<std::uint16_t>(code);
        childPixel[prefix] = static_cast<std::uint16_t>(pixel);
      }
      prefix = code;
      continue;
    }
    Pack(writer, bucket, bits, static_cast<int>(prefix), width);
    Widen(nextCode, width, maxCode);
    if (nextCode < 4095) {
      table[h] = static_cast<std::uint16_t>(nextCode);
      keys[nextCode] = key;
      if (kRuns) {
        child[prefix] = static_cast<std::uint16_t>(nextCode);
        childPixel[prefix] = static_cast<std::uint16_t>(pixel);
      }
      ++nextCode;
    } else {
      store();
      EmitClear();
      load();
    }
    prefix = pixel;
  }
  store();
  return prefix;
}

void TLZWEncoder::CompressPixels() {
  table_.assign(kHashSize, kFree);
  keys_.assign(4096, 0);
  lastChild_.assign(4096, 0);
  lastChildPixel_.assign(4096, 0xFFFF);
  EmitClear();
  const std::uint8_t* p = nullptr;
  const std::uint8_t* end = nullptr;
  NextStretch(p, end);
  const std::uint8_t* valid = ValidEnd(p, end);
  if (valid == p)
    RaiseGIFError(gif_text::kColorNotInTable);
  std::uint32_t prefix = *p++;
  for (;;) {
    // Flat stretches go through the run cache; elsewhere its look costs the hash path more
    // (in mispredicted branches) than it saves.
    while (p < valid) {
      const std::uint8_t* const chunkEnd = valid - p > 1024 ? p + 1024 : valid;
      int same = 0;
      for (const std::uint8_t* q = p + 1; q < chunkEnd; ++q)
        same += *q == q[-1];
      const std::int64_t n = chunkEnd - p;
      prefix = same * 8 >= n * 7 ? CompressSpan<true>(p, chunkEnd, prefix)
                                 : CompressSpan<false>(p, chunkEnd, prefix);
      p = chunkEnd;
    }
    if (valid != end)
      RaiseGIFError(gif_text::kColorNotInTable);
    if (!NextStretch(p, end))
      break;
    valid = ValidEnd(p, end);
  }
  PutCode(static_cast<int>(prefix));
  table_.clear();
  keys_.clear();
  lastChild_.clear();
  lastChildPixel_.clear();
}

// ---- Choice of encoder ----

void EncodeFrameData(TGIFSubImage& frame, Stream& stream) {
  int limit, depth;
  if (frame.ColorMap().ColorCount() > 0) {
    limit = frame.ColorMap().ColorCount();
    depth = BitsForColors(limit);
  } else {
    depth = frame.Image() ? frame.Image()->MaxBitsPerPixel() : 8;
    limit = 1 << depth;
  }
  std::unique_ptr<TGIFEncoder> encoder;
  if (frame.Image() && frame.Image()->EncoderKind == 1)
    encoder = std::make_unique<TRLEEncoder>();
  else
    encoder = std::make_unique<TLZWEncoder>();
  encoder->EncodeFrame(stream, depth, frame.Width(), frame.Height(), frame.InterlaceFlag(),
                       frame.Data(), limit);
}

} // namespace qt
