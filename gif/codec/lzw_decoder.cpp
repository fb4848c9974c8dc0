#include "gif/codec/GIFImage.hpp"
#include "gif/codec/lzw.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qt {

namespace {

static_assert(std::endian::native == std::endian::little, "codes are taken from words of bytes");

constexpr int kMaxCode = 4095;
constexpr int kTableSize = 4096;

// The bits of the codes not yet taken, least significant first: those in a word, then the bytes
// from `in` to `end` of the current sub-block.
struct Bits {
  std::uint64_t word = 0;
  int count = 0;
  const std::uint8_t* in = nullptr;
  const std::uint8_t* end = nullptr;
};

// The data sub-blocks, one at a time. A code is taken across as many sub-blocks as it needs, so
// sub-blocks of any length read alike.
class SubBlocks {
 public:
  SubBlocks(Stream& stream, TGIFSubImage& frame) : stream_(stream), frame_(frame) {}

  // Moves what is left of the sub-block into the word and, while that holds fewer than n bits,
  // goes on with the next sub-block. Answers fewer than n bits when the data has ended.
  Bits Refill(Bits b, int n) {
    for (;;) {
      while (b.in < b.end && b.count <= 56) {
        b.word |= static_cast<std::uint64_t>(*b.in++) << b.count;
        b.count += 8;
      }
      if (b.count >= n)
        return b;
      if (terminatorMet_) {
        // The last sub-block is spent: a code it cuts is made up with zero bits; a code wanted
        // after that is an under-run.
        if (b.count > 0) {
          b.count = n;
          return b;
        }
        frame_.Warning(1, gif_text::kBitBufferUnderrun);
        return b;
      }
      std::uint8_t length = 0;
      if (stream_.Read(&length, 1) != 1)
        return b;
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
      b.in = block_;
      b.end = block_ + length;
    }
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
  Stream& stream_;
  TGIFSubImage& frame_;
  std::uint8_t block_[255];
  bool terminatorMet_ = false;
};

// The code table. A string of the table lies in the output already, where the string of its
// prefix code was put, followed by its next pixel: it is put again from there, its first 8 pixels
// from the entry itself. Damaged data makes strings through entries that are defined only after
// them, which change when those are: such strings are built from prefix and suffix whenever
// they come. Each part has an array of its own, so the lengths and heads that every code reads
// stay in the first-level cache.
// The fast loop writes an entry past the end of a full table, into a spare one.
struct CodeTable {
  std::uint16_t length[kTableSize + 1];  // 0: built from the table
  std::uint64_t head[kTableSize + 1];    // the first 8 pixels, fewer in a shorter string
  std::uint32_t at[kTableSize + 1];
  std::uint16_t prefix[kTableSize];  // of the entries built from the table only
  std::uint8_t suffix[kTableSize];
};

// The table's string of code as it stands, last pixel first, into stack (kStackSize); answers
// its length. An entry not defined since the clear code is prefix 0, suffix 0. A chain that does
// not end (only damaged data makes one) is an error.
constexpr std::size_t kStackSize = 2 * kTableSize + 1;
std::uint32_t TableString(const CodeTable& t, int clear, int nextFree, int code, const std::uint8_t* out,
                          std::uint8_t* stack) {
  std::uint32_t n = 0;
  while (code >= clear) {
    if (code >= nextFree || code <= clear + 1) {
      stack[n++] = 0;
      code = 0;
      break;
    }
    if (t.length[code] != 0) {
      for (std::uint32_t i = t.length[code]; i-- > 0;)
        stack[n++] = out[t.at[code] + i];
      return n;
    }
    if (n >= kTableSize || t.prefix[code] == code)
      RaiseGIFError(gif_text::kCircularTable);
    stack[n++] = t.suffix[code];
    code = t.prefix[code];
  }
  stack[n++] = static_cast<std::uint8_t>(code);
  return n;
}

// Room a string needs after it to be put by PutFast, which may write up to 64 bytes past it.
constexpr std::size_t kSlack = 64;

// Copies kSize bytes, all loads before the stores: in 16-byte parts that the compiler keeps in
// registers (an array of bytes it passes through the stack).
template <std::size_t kSize>
inline void CopyChunk(std::uint8_t* to, const std::uint8_t* from) {
  typedef std::uint8_t Part __attribute__((vector_size(16)));
  Part chunk[kSize / 16];
  for (std::size_t i = 0; i < kSize / 16; ++i)
    std::memcpy(&chunk[i], from + 16 * i, 16);
  for (std::size_t i = 0; i < kSize / 16; ++i)
    std::memcpy(to + 16 * i, &chunk[i], 16);
}

// Puts a string of n pixels at `to`: the first 8 from head, the others from the same place after
// `from`, where from + n <= to + 1 (a string may end with the pixel that its first 8 put). In
// chunks that may write up to kSlack bytes past the string (the strings after it overwrite them);
// the longest strings in one copy, since their source ends before their place begins. The
// chunks are copied inline: a call here costs the decoding loop its registers.
// kLong, for frames whose strings are long on average, copies the first 40 pixels whatever the
// length: a branch on lengths that vary widely costs more there than the copy of a short string.
template <bool kLong = false>
inline void PutFast(std::uint8_t* to, std::uint64_t head, const std::uint8_t* from, std::size_t n) {
  std::memcpy(to, &head, 8);
  if (!kLong && n <= 8) [[likely]]
    return;
  CopyChunk<32>(to + 8, from + 8);
  if (n > 40) [[unlikely]] {
    if (n <= 256) {
      for (std::size_t i = 40; i < n; i += 64)
        CopyChunk<64>(to + i, from + i);
    } else {
      std::memcpy(to + 40, from + 40, n - 40);
    }
  }
}

// PutFast where there is room for it; else byte by byte, writing nothing at or past total.
inline void PutEntry(std::uint8_t* out, std::size_t to, std::uint64_t head, std::size_t at, std::size_t n,
                     std::size_t total) {
  if (n + kSlack <= total - to) {
    PutFast(out + to, head, out + at, n);
  } else {
    const std::size_t k = std::min(n, total - to);
    for (std::size_t i = 0; i < k; ++i)
      out[to + i] = i < 8 ? static_cast<std::uint8_t>(head >> (8 * i)) : out[at + i];
  }
}

// Puts a string built in stack (last pixel first) at `to`, writing nothing at or past total.
inline void PutString(std::uint8_t* out, std::size_t to, const std::uint8_t* stack, std::uint32_t n,
                      std::size_t total) {
  for (std::uint32_t i = 0; i < n && to + i < total; ++i)
    out[to + i] = stack[n - 1 - i];
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

// Takes 64 bits more into the word where the sub-block holds them; false where it does not.
inline bool TakeWord(Bits& b) {
  if (b.end - b.in < 8)
    return false;
  std::uint64_t next;
  std::memcpy(&next, b.in, 8);
  b.word |= next << b.count;
  b.in += (63 - b.count) >> 3;
  b.count |= 56;
  return true;
}

// Takes a code of `width` bits from the word, which holds at least that many.
inline int TakeCode(Bits& b, int width) {
  const int code = static_cast<int>(b.word & ((1u << width) - 1));
  b.word >>= width;
  b.count -= width;
  return code;
}

// Where the decoding stands: the bits not yet taken, the next free code and the code width, and
// the previous code with its string's length (0 when it was not the table's string of that code
// as it will stay: only in damaged data) and first 8 pixels. The previous string ends where the
// next goes, at p.
struct Cursor {
  Bits bits;
  int nextFree = 0, width = 0;
  int old = 0;  // read only where prevLength is 0, which only the general path sets, and with it this
  std::size_t p = 0;
  std::uint32_t prevLength = 0;
  std::uint64_t prevHead = 0;
  std::size_t clearAt = 0;  // where the first string after the last clear code went
};

// The previous string and the pixel after it, as far as a head holds it. kLong without a
// branch: in frames of long strings, whether the previous one is shorter than 8 pixels cannot be
// foreseen; elsewhere it nearly always is, and the branch costs less (in the 32-bit build most).
template <bool kLong = false>
inline std::uint64_t Extended(const Cursor& c, std::uint8_t first) {
  if (kLong) {
    const std::uint64_t room = 0 - std::uint64_t{c.prevLength < 8};
    return c.prevHead | (std::uint64_t{first} << (8 * (c.prevLength & 7)) & room);
  }
  return c.prevLength < 8 ? c.prevHead | std::uint64_t{first} << (8 * c.prevLength) : c.prevHead;
}

// Writes the entry of the next free code: the previous string, which the table holds as it
// will stay, and `first`, the first pixel of the string after it.
template <bool kLong = false>
inline void WriteEntry(CodeTable& t, const Cursor& c, std::uint8_t first) {
  t.head[c.nextFree] = Extended<kLong>(c, first);
  t.at[c.nextFree] = static_cast<std::uint32_t>(c.p - c.prevLength);
  t.length[c.nextFree] = static_cast<std::uint16_t>(c.prevLength + 1);
}

// Codes are a bit wider from the first that the width cannot hold.
inline void GrowWidth(Cursor& c) {
  if (c.nextFree == 1 << c.width && c.width < 12)
    ++c.width;
}

// Defines the next free code, the previous string and `first`, the first pixel of the string
// after it, while the table has room.
inline void AddEntry(CodeTable& t, Cursor& c, std::uint8_t first) {
  if (c.nextFree > kMaxCode)
    return;
  if (c.prevLength != 0) [[likely]] {
    WriteEntry(t, c, first);
  } else {
    t.length[c.nextFree] = 0;
    t.prefix[c.nextFree] = static_cast<std::uint16_t>(c.old);
    t.suffix[c.nextFree] = first;
  }
  ++c.nextFree;
  GrowWidth(c);
}

// Decodes codes for as long as each is a string that stays the table's string of its code and
// ends well inside the frame, and the sub-block holds their bits: most of a frame. Answers the
// code it stopped on, or -1 when it stopped before taking one. Its state is a copy of the cursor,
// which the compiler keeps in registers, and it calls nothing that fails: the cursor is as the
// decoding stands whenever an error can come.
template <bool kLong>
__attribute__((noinline)) int FastCodes(CodeTable& t, std::uint8_t* out, std::size_t total, Cursor& cursor) {
  Cursor c = cursor;
  int code = -1;
  if (c.prevLength == 0)
    return code;
  // The next free code at which the code width grows or the table is full: a single compare
  // per code. Every code defines an entry here (the previous string is never built from the
  // table), even in a full table, into the spare entry past its end, which no code reaches.
  auto nextEvent = [&c]() { return c.width < 12 && c.nextFree <= 1 << c.width ? 1 << c.width : kTableSize + 1; };
  int event = nextEvent();
  for (;;) {
    if (c.bits.count < c.width && !TakeWord(c.bits)) {
      code = -1;
      break;
    }
    code = TakeCode(c.bits, c.width);
    std::uint64_t head;
    std::size_t at;
    std::uint32_t length;
    if (code < c.nextFree) [[likely]] {
      length = t.length[code];
      if (length == 0) [[unlikely]]
        break;
      head = t.head[code];
      at = t.at[code];
    } else if (code == c.nextFree) {
      // The string being defined: the previous string and its first pixel.
      head = Extended<kLong>(c, static_cast<std::uint8_t>(c.prevHead));
      at = c.p - c.prevLength;
      length = c.prevLength + 1;
    } else {
      break;
    }
    if (length + kSlack > total - c.p) [[unlikely]]
      break;
    PutFast<kLong>(out + c.p, head, out + at, length);
    WriteEntry<kLong>(t, c, static_cast<std::uint8_t>(head));
    if (++c.nextFree >= event) [[unlikely]] {
      if (c.nextFree > kTableSize)
        c.nextFree = kTableSize;  // the table was full: the entry went to the spare one
      else
        GrowWidth(c);
      event = nextEvent();
    }
    c.prevLength = length;
    c.prevHead = head;
    c.p += length;
  }
  cursor = c;
  return code;
}

} // namespace

void DecodeFrameData(TGIFSubImage& frame, Stream& stream) {
  frame.AllocatePixels(false);  // every byte is written below
  std::uint8_t fill = 0;
  if (frame.Transparent() && frame.GraphicControlExtension())
    fill = frame.GraphicControlExtension()->TransparentColorIndex();
  std::uint8_t* const out = frame.Data();
  const std::size_t total = static_cast<std::size_t>(frame.DataSize());
  Cursor c;
  // The pixels the data does not reach are filled however the decoding ends: a frame whose data
  // fails part way still has every pixel defined. A frame without pixels has no buffer.
  auto fillRest = [&]() {
    if (c.p < total)
      std::memset(out + c.p, fill, total - c.p);
  };
  try {
    std::uint8_t codeSize = 0;
    if (stream.Read(&codeSize, 1) == 1) {
      if (codeSize >= 12)
        RaiseGIFError(gif_text::kBadCodeSize);
      SubBlocks blocks(stream, frame);
      CodeTable table;  // working storage of the call, as the stack and the bit buffer
      std::uint8_t stack[kStackSize];
      const int clear = 1 << codeSize;
      const int end = clear + 1;
      for (int code = 0; code < clear; ++code) {
        table.length[code] = 1;
        table.head[code] = static_cast<std::uint8_t>(code);
        table.at[code] = 0;
      }
      table.length[clear] = 0;
      table.length[end] = 0;
      c.nextFree = clear + 2;
      c.width = codeSize + 1;
      // The next code; the end code also when the data has ended.
      auto readCode = [&]() {
        if (c.bits.count < c.width && !TakeWord(c.bits)) {
          c.bits = blocks.Refill(c.bits, c.width);
          if (c.bits.count < c.width)
            return end;
        }
        return TakeCode(c.bits, c.width);
      };
      // After a clear code (and at the start): a fresh table, and the next code that is not a
      // clear code taken as a pixel as it stands. False at the end code.
      auto restart = [&]() {
        int code;
        do {
          c.nextFree = clear + 2;
          c.width = codeSize + 1;
          code = readCode();
        } while (code == clear);
        if (code == end)
          return false;
        c.clearAt = c.p;
        out[c.p] = static_cast<std::uint8_t>(code);
        c.old = code;
        ++c.p;
        c.prevLength = code < clear ? 1 : 0;
        c.prevHead = static_cast<std::uint8_t>(code);
        return true;
      };
      bool stopped = total > 0 && !restart();  // at the end code or the end of the data
      bool overran = false;                    // the last string did not fit in the frame
      // Strings of more than 8 pixels on average since the clear code, once there are enough of
      // them to tell: a flat picture. Until then, as it was before the clear code.
      bool longStrings = false;
      while (!stopped && c.p < total) {
        const std::size_t defined = static_cast<std::size_t>(c.nextFree - clear - 2);
        if (defined >= 64)
          longStrings = c.p - c.clearAt > 8 * defined;
        int code = longStrings ? FastCodes<true>(table, out, total, c) : FastCodes<false>(table, out, total, c);
        if (code < 0)
          code = readCode();
        std::uint32_t length;
        std::uint64_t head = 0;
        bool stays = true;  // this string is the table's string of this code for good
        if (code < c.nextFree && (length = table.length[code]) != 0) {
          head = table.head[code];
          PutEntry(out, c.p, head, table.at[code], length, total);
        } else if (code >= c.nextFree && c.prevLength != 0) {
          // The string being defined (or, in damaged data, any later code): the previous string
          // and its first pixel.
          head = Extended(c, static_cast<std::uint8_t>(c.prevHead));
          length = c.prevLength + 1;
          PutEntry(out, c.p, head, c.p - c.prevLength, length, total);
          stays = code == c.nextFree;
        } else if (code == clear) {
          stopped = !restart();
          continue;
        } else if (code == end) {
          stopped = true;
          break;
        } else {
          // Through an entry built from the table.
          const bool defining = code >= c.nextFree;
          length = TableString(table, clear, c.nextFree, defining ? c.old : code, out, stack);
          PutString(out, c.p, stack, length, total);
          if (defining) {
            if (c.p + length < total)
              out[c.p + length] = static_cast<std::uint8_t>(c.prevHead);
            ++length;
          }
          head = out[c.p];  // its first pixel is all that is needed of it
          stays = false;
        }
        AddEntry(table, c, static_cast<std::uint8_t>(head));
        c.old = code;
        c.prevLength = stays ? length : 0;
        c.prevHead = head;
        if (length > total - c.p) {
          overran = true;
          c.p = total;
        } else {
          c.p += length;
        }
      }
      if (!stopped && !overran) {
        // A full frame reads one code more, normally its end code: where the data goes on
        // without one, that read reports what is wrong with it. Its pixels are dropped, but
        // walking the table for them may still fail.
        int code = readCode();
        bool afterClear = total == 0;
        for (; code == clear; code = readCode()) {
          c.nextFree = clear + 2;
          c.width = codeSize + 1;
          afterClear = true;
        }
        const bool built = code >= c.nextFree ? c.prevLength == 0 : code > end && table.length[code] == 0;
        if (code != end && !afterClear && built)
          TableString(table, clear, c.nextFree, code >= c.nextFree ? c.old : code, out, stack);
      }
      blocks.SkipRest();
    }
  } catch (...) {
    fillRest();
    throw;
  }
  fillRest();
  if (frame.InterlaceFlag() && total > 0)
    Deinterlace(out, static_cast<std::size_t>(frame.Width()), static_cast<std::size_t>(frame.Height()));
}

} // namespace qt
