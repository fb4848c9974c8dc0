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
// they come.
struct CodeTable {
  struct Entry {
    std::uint64_t head;    // the first 8 pixels, fewer in a shorter string
    std::uint32_t at;
    std::uint32_t length;  // 0: built from the table
  };
  Entry entries[kTableSize];
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
    const CodeTable::Entry& e = t.entries[code];
    if (e.length != 0) {
      for (std::uint32_t i = e.length; i-- > 0;)
        stack[n++] = out[e.at + i];
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

// Puts a string of n pixels at `to`: the first 8 from head, the others from the same place after
// `at`, where at + n <= to + 1 (a string may end with the pixel that its first 8 put). Writes
// nothing at or past total. Where there is room, in chunks of 8 and 16 bytes that may write up
// to 15 bytes past the string; the strings after it overwrite them.
inline void PutEntry(std::uint8_t* out, std::size_t to, std::uint64_t head, std::size_t at, std::size_t n,
                     std::size_t total) {
  if (n + 16 <= total - to) {
    std::memcpy(out + to, &head, 8);
    for (std::size_t i = 8; i < n; i += 16) {
      std::uint8_t chunk[16];
      std::memcpy(chunk, out + at + i, 16);
      std::memcpy(out + to + i, chunk, 16);
    }
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

// Fills the pixels from p on, which the data did not reach, however the decoding ends: a frame
// whose data fails part way still has every pixel defined.
struct FillRest {
  std::uint8_t* out;
  const std::size_t& p;
  std::size_t total;
  std::uint8_t fill;
  ~FillRest() {
    if (p < total)
      std::memset(out + p, fill, total - p);
  }
};

} // namespace

void DecodeFrameData(TGIFSubImage& frame, Stream& stream) {
  frame.AllocatePixels(false);  // every byte is written below
  std::uint8_t fill = 0;
  if (frame.Transparent() && frame.GraphicControlExtension())
    fill = frame.GraphicControlExtension()->TransparentColorIndex();
  std::uint8_t* const out = frame.Data();
  const std::size_t total = static_cast<std::size_t>(frame.DataSize());
  std::size_t p = 0;
  {
    const FillRest rest{out, p, total, fill};

    std::uint8_t codeSize = 0;
    if (stream.Read(&codeSize, 1) == 1) {
      if (codeSize >= 12)
        RaiseGIFError(gif_text::kBadCodeSize);
      SubBlocks blocks(stream, frame);
      CodeTable table;  // working storage of the call, as the stack and the bit buffer
      std::uint8_t stack[kStackSize];
      const int clear = 1 << codeSize;
      const int end = clear + 1;
      table.entries[clear].length = 0;
      table.entries[end].length = 0;
      int nextFree = clear + 2, width = codeSize + 1;
      // The next code; the end code also when the data has ended. Inlined by force: the
      // decoding loop is mostly this.
      // The reader's state in variables of their own, which the compiler keeps in registers.
      std::uint64_t word = 0;
      int count = 0;
      const std::uint8_t* in = nullptr;
      const std::uint8_t* inEnd = nullptr;
      auto readCode = [&]() __attribute__((always_inline)) {
        if (count < width) {
          if (inEnd - in >= 8) {
            std::uint64_t next;
            std::memcpy(&next, in, 8);
            word |= next << count;
            in += (63 - count) >> 3;
            count |= 56;
          } else {
            const Bits b = blocks.Refill({word, count, in, inEnd}, width);
            word = b.word;
            count = b.count;
            in = b.in;
            inEnd = b.end;
            if (count < width)
              return end;
          }
        }
        const int code = static_cast<int>(word & ((1u << width) - 1));
        word >>= width;
        count -= width;
        return code;
      };
      for (int c = 0; c < clear; ++c)
        table.entries[c] = {static_cast<std::uint8_t>(c), 0, 1};
      // The previous code and where its string went; its length, or 0 when it was not the table's
      // string of that code as it will stay (only in damaged data), and its first 8 pixels.
      int old = 0;
      std::size_t prevAt = 0;
      std::uint32_t prevLength = 0;
      std::uint64_t prevHead = 0;
      // After a clear code (and at the start): a fresh table, and the next code that is not a
      // clear code taken as a pixel as it stands. False at the end code.
      auto restart = [&]() __attribute__((always_inline)) {
        int code;
        do {
          nextFree = clear + 2;
          width = codeSize + 1;
          code = readCode();
        } while (code == clear);
        if (code == end)
          return false;
        out[p] = static_cast<std::uint8_t>(code);
        old = code;
        prevAt = p++;
        prevLength = code < clear ? 1 : 0;
        prevHead = static_cast<std::uint8_t>(code);
        return true;
      };
      bool stopped = total > 0 && !restart();  // at the end code or the end of the data
      bool overran = false;                    // the last string did not fit in the frame
      while (!stopped && p < total) {
        const int code = readCode();
        std::uint32_t length;
        std::uint64_t head = 0;
        bool stays = true;  // this string is the table's string of this code for good
        if (code < nextFree && (length = table.entries[code].length) != 0) [[likely]] {
          const CodeTable::Entry& e = table.entries[code];
          head = e.head;
          PutEntry(out, p, head, e.at, length, total);
        } else if (code >= nextFree && prevLength != 0) {
          // The string being defined (or, in damaged data, any later code): the previous string
          // and its first pixel.
          head = prevLength < 8 ? prevHead | (prevHead & 0xFF) << (8 * prevLength) : prevHead;
          length = prevLength + 1;
          PutEntry(out, p, head, prevAt, length, total);
          stays = code == nextFree;
        } else if (code == clear) [[unlikely]] {
          stopped = !restart();
          continue;
        } else if (code == end) [[unlikely]] {
          stopped = true;
          break;
        } else {
          // Through an entry built from the table.
          const bool defining = code >= nextFree;
          length = TableString(table, clear, nextFree, defining ? old : code, out, stack);
          PutString(out, p, stack, length, total);
          if (defining) {
            if (p + length < total)
              out[p + length] = out[prevAt];
            ++length;
          }
          head = out[p];  // its first pixel is all that is needed of it
          stays = false;
        }
        if (nextFree <= kMaxCode) {
          const std::uint8_t first = static_cast<std::uint8_t>(head);
          if (prevLength != 0) [[likely]] {
            const std::uint64_t next = prevLength < 8 ? prevHead | std::uint64_t{first} << (8 * prevLength) : prevHead;
            table.entries[nextFree] = {next, static_cast<std::uint32_t>(prevAt), prevLength + 1};
          } else {
            table.entries[nextFree].length = 0;
            table.prefix[nextFree] = static_cast<std::uint16_t>(old);
            table.suffix[nextFree] = first;
          }
          if (++nextFree == 1 << width && width < 12)
            ++width;
        }
        old = code;
        prevAt = p;
        prevLength = stays ? length : 0;
        prevHead = head;
        if (length > total - p) [[unlikely]] {
          overran = true;
          p = total;
        } else {
          p += length;
        }
      }
      if (!stopped && !overran) {
        // A full frame reads one code more, normally its end code: where the data goes on
        // without one, that read reports what is wrong with it. Its pixels are dropped, but
        // walking the table for them may still fail.
        int code = readCode();
        bool afterClear = total == 0;
        for (; code == clear; code = readCode()) {
          nextFree = clear + 2;
          width = codeSize + 1;
          afterClear = true;
        }
        const bool built = code >= nextFree ? prevLength == 0 : code > end && table.entries[code].length == 0;
        if (code != end && !afterClear && built)
          TableString(table, clear, nextFree, code >= nextFree ? old : code, out, stack);
      }
      blocks.SkipRest();
    }
  }
  if (frame.InterlaceFlag() && total > 0)
    Deinterlace(out, static_cast<std::size_t>(frame.Width()), static_cast<std::size_t>(frame.Height()));
}

} // namespace qt
