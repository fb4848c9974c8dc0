#pragma once
// The image data of a frame: the LZW minimum code size, the codes in data sub-blocks and the
// block terminator. One decoder, and two encoders that any GIF decoder reads alike.
#include "base/stream.hpp"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace qt {

class TGIFSubImage;

// Reads the image data at the stream's position into the frame's pixels. Pixels that the data
// does not reach keep the fill value (the transparent index of a transparent frame, else 0).
// Whatever the data stopped on, the stream is left after the frame's block terminator.
void DecodeFrameData(TGIFSubImage& frame, Stream& stream);

// Writes the frame's pixels as image data, with the encoder the image's EncoderKind picks.
void EncodeFrameData(TGIFSubImage& frame, Stream& stream);

// Collects bytes into data sub-blocks of 255 bytes; the last, shorter one when flushed.
class TGIFWriter {
 public:
  explicit TGIFWriter(Stream& target) : target_(target) {}
  TGIFWriter(const TGIFWriter&) = delete;
  TGIFWriter& operator=(const TGIFWriter&) = delete;

  void WriteByte(std::uint8_t b) {
    buffer_[fill_++] = b;
    if (fill_ == 256)
      FlushBlock();
  }
  // The 4 bytes of v, least significant first.
  void Write4(std::uint32_t v) {
    if (fill_ <= 252) {
      std::memcpy(buffer_ + fill_, &v, 4);
      fill_ += 4;
      if (fill_ == 256)
        FlushBlock();
    } else {
      for (int i = 0; i < 4; ++i)
        WriteByte(static_cast<std::uint8_t>(v >> (8 * i)));
    }
  }
  // Writes what is pending as one sub-block; nothing when nothing is pending.
  void FlushBlock();

 private:
  Stream& target_;
  std::uint8_t buffer_[256];
  int fill_ = 1;  // byte 0 takes the sub-block's length
};

// Codes to bytes and the walk over the frame's pixels (in interlace order when asked).
class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;
  TGIFEncoder() = default;
  TGIFEncoder(const TGIFEncoder&) = delete;
  TGIFEncoder& operator=(const TGIFEncoder&) = delete;

  // A partial output stays in the stream when an error passes: the last short sub-block
  // is written, the terminator is not.
  void EncodeFrame(Stream& stream, int depth, int width, int height, bool interlaced,
                   const std::uint8_t* pixels, int colorLimit);

 protected:
  virtual void PutCode(int code) { PackCode(code); }
  virtual void EmitClear();
  // Puts the code above the `bits` bits in the bucket, `width` bits wide, and sends them on 4 bytes
  // at a time. Static, so that a loop can keep the bucket in locals.
  static void Pack(TGIFWriter& writer, std::uint64_t& bucket, int& bits, int code, int width) {
    bucket |= static_cast<std::uint64_t>(code) << bits;
    bits += width;
    if (bits >= 32) {
      writer.Write4(static_cast<std::uint32_t>(bucket));
      bucket >>= 32;
      bits -= 32;
    }
  }
  // Puts the code at the current width.
  void PackCode(int code) { Pack(*writer_, bucket_, bucketBits_, code, codeWidth_); }
  virtual void CompressPixels() = 0;

  // The next stretch of pixels that lie one after another in memory (a row when interlaced,
  // else the whole frame); false when the frame is done.
  bool NextStretch(const std::uint8_t*& begin, const std::uint8_t*& end);
  // The first pixel of the stretch at or above the colour limit, else end.
  const std::uint8_t* ValidEnd(const std::uint8_t* begin, const std::uint8_t* end) const;

  int colorLimit_ = 0;
  int minCodeSize_ = 0;
  int width_ = 0, height_ = 0;
  bool interlaced_ = false;
  const std::uint8_t* pixels_ = nullptr;
  TGIFWriter* writer_ = nullptr;
  std::uint64_t bucket_ = 0;
  int bucketBits_ = 0;
  bool afterClear_ = false;
  int codeWidth_ = 0, initialCodeWidth_ = 0;
  int maxCode_ = 0;
  int clearCode_ = 0, endCode_ = 0, firstFreeCode_ = 0;

 private:
  bool started_ = false;
  int row_ = 0, pass_ = 0;
};

class TLZWEncoder final : public TGIFEncoder {
 protected:
  void PutCode(int code) override;
  void EmitClear() override;
  void CompressPixels() override;

 private:
  void ClearTable();
  // The width after a code was put, with the next code to be added.
  static void Widen(int nextCode, int& width, int& maxCode) {
    if (nextCode > maxCode) {
      ++width;
      maxCode = width == 12 ? 4096 : (1 << width) - 1;
    }
  }
  // Codes the pixels from p to end after the string `prefix`; answers the string left open.
  template <bool kRuns>
  std::uint32_t CompressSpan(const std::uint8_t* p, const std::uint8_t* end, std::uint32_t prefix);
  int nextCode_ = 0;
  // The hash table of the strings: slots of codes.
  std::vector<std::uint16_t> table_;
  // For each code in the table, its string as prefix << 8 | last pixel.
  std::vector<std::uint32_t> keys_;
  // In front of the hash table in flat stretches: for each code, the pixel and the code of a string
  // found or added after it in a flat stretch (pixel 0xFFFF for none since the clear). Other
  // stretches leave it alone, as its stores cost them more than it would save later; what it holds
  // stays right until the clear, since no code is given twice before it.
  std::vector<std::uint16_t> lastChild_;
  std::vector<std::uint16_t> lastChildPixel_;
};

// Runs of equal pixels, coded with the strings that the decoder's table comes to hold for them.
class TRLEEncoder final : public TGIFEncoder {
 protected:
  void EmitClear() override { RestartRuns(); }
  void CompressPixels() override;

 private:
  void RestartRuns();
  void EmitRunCode(int code);
  std::int64_t RunCost(std::int64_t n) const;
  void RaiseClearLimit() { clearAt_ = maxRunCodes_; }
  void RestoreClearLimit();
  void FlushRunAfterClear(std::int64_t c);
  void FlushRunClearOrRepeat(std::int64_t c);
  void FlushRunFromTable(std::int64_t c);
  void FlushRun(std::int64_t c);

  int maxRunCodes_ = 0;
  int widthBumpStart_ = 0;
  int clearAtStart_ = 0;
  int runPixel_ = -1;
  int tableRunMax_ = 0;
  int tableRunPixel_ = 0;
  int codesSinceClear_ = 0;
  int clearAt_ = 0;
  int widthBumpAt_ = 0;
};

} // namespace qt
