#include "gif/GIFImage.hpp"
#include "gif/lzw.hpp"

#include <algorithm>
#include <cstring>

namespace qt {

namespace {

constexpr int kMaxCode = 4095;
constexpr int kTableSize = 4096;

// Codes, least significant bit first, from the data sub-blocks; a code is taken across as many
// sub-blocks as it needs, so sub-blocks of any length read alike.
class CodeReader {
 public:
  CodeReader(Stream& stream, TGIFSubImage& frame) : stream_(stream), frame_(frame) {}

  // The next n-bit code, or -1 at the end of the data.
  int Read(int n) {
    if (bitCount_ < n && !Refill(n))
      return -1;
    const int code = static_cast<int>(bits_ & ((1u << n) - 1));
    bits_ >>= n;
    bitCount_ -= n;
    return code;
  }

  // Passes over the rest of the image data, through the block terminator.
  void SkipRest() {
    if (terminatorMet_)
      return;
    for (std::uint8_t n = ReadByte(stream_); n != 0; n = ReadByte(stream_))
      SkipBytes(stream_, n);
    terminatorMet_ = true;
  }

 private:
  bool Refill(int n) {
    for (;;) {
      while (at_ < end_ && bitCount_ <= 56) {
        bits_ |= static_cast<std::uint64_t>(block_[at_++]) << bitCount_;
        bitCount_ += 8;
      }
      if (bitCount_ >= n)
        return true;
      if (terminatorMet_) {
        // The last sub-block is spent: a code it cuts is made up with zero bits; a code wanted
        // after that is an under-run.
        if (bitCount_ > 0) {
          bitCount_ = n;
          return true;
        }
        frame_.Warning(1, gif_text::kBitBufferUnderrun);
        return false;
      }
      std::uint8_t length = 0;
      if (stream_.Read(&length, 1) != 1)
        return false;
      if (length == 0) {
        terminatorMet_ = true;
        continue;
      }
      const std::uint64_t position = stream_.Position();
      const std::uint64_t left = stream_.Size() - std::min(stream_.Size(), position);
      if (length > left) {
        frame_.Warning(1, gif_text::kPrematureEnd);
        length = static_cast<std::uint8_t>(left);
      }
      if (length > 0)
        ReadExact(stream_, block_, length);
      at_ = 0;
      end_ = length;
    }
  }

  Stream& stream_;
  TGIFSubImage& frame_;
  std::uint64_t bits_ = 0;
  int bitCount_ = 0;
  std::uint8_t block_[255];
  int at_ = 0, end_ = 0;
  bool terminatorMet_ = false;
};

// A string of the table ends in `suffix` and continues with the string of `prefix`. Each entry
// also notes where the very same string already lies in the output, so most strings are
// copied; strings whose table content differs from what was output (only in damaged data) are
// built from the table.
struct CodeTable {
  std::uint16_t prefix[kTableSize];
  std::uint8_t suffix[kTableSize];
  std::uint32_t copyLength[kTableSize];  // 0: no copy in the output
  std::uint32_t copyAt[kTableSize];
};

// The table's string of code, last pixel first, into stack; answers its length. A chain that
// does not end (only damaged data makes one) is an error.
std::uint32_t TableString(const CodeTable& t, int clear, int code, std::uint8_t* stack) {
  std::uint32_t n = 0;
  while (code >= clear) {
    if (n >= kTableSize || t.prefix[code] == code)
      RaiseGIFError(gif_text::kCircularTable);
    stack[n++] = t.suffix[code];
    code = t.prefix[code];
  }
  stack[n++] = static_cast<std::uint8_t>(code);
  return n;
}

// Copies n bytes from an earlier place of the output; the bytes after them up to the end of the
// buffer may be overwritten, which the decoder allows for.
inline void CopyEarlier(std::uint8_t* out, std::size_t from, std::size_t to, std::size_t n,
                        std::size_t total) {
  if (n <= 16 && to + 16 <= total) {
    std::uint8_t chunk[16];
    std::memcpy(chunk, out + from, 16);
    std::memcpy(out + to, chunk, 16);
  } else {
    std::memcpy(out + to, out + from, std::min(n, total - to));
  }
}

// Rows were decoded one after another; puts them in the four passes' order.
void Deinterlace(std::uint8_t* pixels, std::size_t width, std::size_t height) {
  std::vector<std::uint32_t> source(height);  // source[row] = decoded row that belongs there
  std::uint32_t k = 0;
  static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (std::size_t row = static_cast<std::size_t>(start[pass]); row < height; row += static_cast<std::size_t>(step[pass]))
      source[row] = k++;
  std::vector<bool> done(height);
  std::vector<std::uint8_t> held(width);
  for (std::size_t i = 0; i < height; ++i) {
    if (done[i] || source[i] == i)
      continue;
    std::memcpy(held.data(), pixels + i * width, width);
    std::size_t j = i;
    while (source[j] != i) {
      std::memcpy(pixels + j * width, pixels + source[j] * width, width);
      done[j] = true;
      j = source[j];
    }
    std::memcpy(pixels + j * width, held.data(), width);
    done[j] = true;
  }
}

} // namespace

void DecodeFrameData(TGIFSubImage& frame, Stream& stream) {
  frame.AllocatePixels();
  std::uint8_t fill = 0;
  if (frame.Transparent() && frame.GraphicControlExtension())
    fill = frame.GraphicControlExtension()->TransparentColorIndex();
  std::uint8_t* const out = frame.Data();
  const std::size_t total = static_cast<std::size_t>(frame.DataSize());
  std::size_t p = 0;

  std::uint8_t codeSize = 0;
  if (stream.Read(&codeSize, 1) == 1) {
    if (codeSize >= 12)
      RaiseGIFError(gif_text::kBadCodeSize);
    CodeReader reader(stream, frame);
    auto table = std::make_unique<CodeTable>();
    std::memset(table->prefix, 0, sizeof table->prefix);
    std::memset(table->suffix, 0, sizeof table->suffix);
    std::memset(table->copyLength, 0, sizeof table->copyLength);
    const int clear = 1 << codeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i)
      table->suffix[i] = static_cast<std::uint8_t>(i);
    int nextFree = clear + 2, width = codeSize + 1, limit = 2 * clear;
    bool afterClear = true;
    int old = 0;
    std::uint8_t first = 0;
    // The previous string: where it went, how long it was, and whether it was the table's
    // string of `old` (only damaged data makes it differ).
    std::size_t prevAt = 0;
    std::uint32_t prevLength = 0;
    bool prevClean = false;
    std::uint8_t stack[kTableSize + 1];

    // A full frame reads one code more, normally its end code: where the data goes on without
    // one, that read reports what is wrong with it.
    bool full = false, overran = false;
    for (;;) {
      if (p == total) {
        if (full || overran)
          break;
        full = true;
      }
      int code = reader.Read(width);
      while (code == clear) {
        for (int i = clear + 2; i < nextFree; ++i) {
          table->prefix[i] = 0;
          table->suffix[i] = 0;
          table->copyLength[i] = 0;
        }
        nextFree = clear + 2;
        width = codeSize + 1;
        limit = 2 * clear;
        afterClear = true;
        code = reader.Read(width);
      }
      if (code < 0 || code == end)
        break;
      if (full) {
        // Its pixels are dropped, but walking the table for them may still fail.
        const bool copied = code < nextFree ? table->copyLength[code] != 0 : prevClean;
        if (!afterClear && !copied)
          TableString(*table, clear, code < nextFree ? code : old, stack);
        break;
      }
      if (afterClear) {
        // The first code after a clear is taken as a pixel as it stands.
        afterClear = false;
        out[p] = static_cast<std::uint8_t>(code);
        first = out[p];
        old = code;
        prevAt = p++;
        prevLength = 1;
        prevClean = code < clear;
        continue;
      }
      std::uint32_t length;
      bool clean = true;
      if (code < nextFree) {
        if (code < clear) {
          out[p] = static_cast<std::uint8_t>(code);
          length = 1;
        } else if ((length = table->copyLength[code]) != 0) {
          CopyEarlier(out, table->copyAt[code], p, length, total);
        } else {
          // A string through an entry defined after it: it follows the table as it now stands,
          // so no later string may copy it.
          length = TableString(*table, clear, code, stack);
          for (std::uint32_t i = 0; i < length && p + i < total; ++i)
            out[p + i] = stack[length - 1 - i];
          clean = false;
        }
      } else {
        // The string being defined (or, in damaged data, any later code): the previous string
        // and its first pixel.
        const std::uint8_t previousFirst = first;
        if (prevClean) {
          length = prevLength;
          CopyEarlier(out, prevAt, p, length, total);
        } else {
          length = TableString(*table, clear, old, stack);
          for (std::uint32_t i = 0; i < length && p + i < total; ++i)
            out[p + i] = stack[length - 1 - i];
        }
        if (p + length < total)
          out[p + length] = previousFirst;
        ++length;
        clean = prevClean && code == nextFree;
      }
      first = out[p];
      if (nextFree <= kMaxCode) {
        table->prefix[nextFree] = static_cast<std::uint16_t>(old);
        table->suffix[nextFree] = first;
        table->copyLength[nextFree] = prevClean ? prevLength + 1 : 0;
        table->copyAt[nextFree] = static_cast<std::uint32_t>(prevAt);
        if (++nextFree >= limit && limit <= kMaxCode) {
          limit *= 2;
          ++width;
        }
      }
      old = code;
      prevAt = p;
      prevLength = length;
      prevClean = clean;
      overran = p + length > total;
      p = std::min<std::size_t>(p + length, total);
    }
    reader.SkipRest();
  }
  if (p < total)
    std::memset(out + p, fill, total - p);
  if (frame.InterlaceFlag() && total > 0)
    Deinterlace(out, static_cast<std::size_t>(frame.Width()), static_cast<std::size_t>(frame.Height()));
}

} // namespace qt
