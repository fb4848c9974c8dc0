#include "flash/swf.hpp"

#include <zlib.h>

#include <algorithm>
#include <string>

namespace qt {
namespace {

constexpr std::size_t kHeaderLength = 8; // signature, version, file length
constexpr int kTagEnd = 0;
constexpr int kTagShowFrame = 1;
constexpr int kTagSetBackgroundColor = 9;
constexpr int kTagDoAction = 12;
constexpr std::uint8_t kActionEnd = 0x00;
constexpr std::uint8_t kActionPlay = 0x06;
constexpr std::uint8_t kActionStop = 0x07;

// Thrown by the cursor when the bytes run out; ReadSwf turns it into "no movie".
struct Unreadable {};

// Little-endian fields and MSB-first bit fields over a byte range that is never left.
class Cursor {
public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

  bool AtEnd() const { return pos_ == bytes_.size(); }

  std::string_view Take(std::size_t n) {
    if (n > bytes_.size() - pos_)
      throw Unreadable{};
    std::string_view part = bytes_.substr(pos_, n);
    pos_ += n;
    return part;
  }

  std::uint32_t Little(std::size_t n) {
    std::string_view b = Take(n);
    std::uint32_t v = 0;
    for (std::size_t i = n; i-- > 0;)
      v = v << 8 | static_cast<unsigned char>(b[i]);
    return v;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
  std::uint32_t U32() { return Little(4); }

  // Bit fields start at the current byte; the next byte-aligned read skips the rest of it.
  std::uint32_t Bits(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      if (bit_ == 0)
        byte_ = U8();
      v = v << 1 | ((byte_ >> (7 - bit_)) & 1);
      bit_ = (bit_ + 1) % 8;
    }
    return v;
  }
  std::int64_t SignedBits(int n) {
    std::int64_t v = Bits(n);
    return n > 0 && v >> (n - 1) ? v - (std::int64_t{1} << n) : v;
  }
  void Align() { bit_ = 0; }

private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::uint8_t byte_ = 0;
  int bit_ = 0;
};

// Inflates at most `length` bytes. Where the stream or the file ends first, so does the output;
// a damaged stream gives nothing. The buffer grows with the output, so a small file that merely
// claims a large length costs little.
std::optional<std::string> Inflate(std::string_view packed, std::size_t length) {
  struct Stream : z_stream {
    Stream() : z_stream{} {}
    ~Stream() { inflateEnd(this); }
  } z;
  if (inflateInit(&z) != Z_OK)
    return std::nullopt;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(packed.size(), UINT32_MAX));

  std::string out;
  std::size_t done = 0;
  while (done < length) {
    if (done == out.size())
      out.resize(std::min(length, std::max<std::size_t>(2 * out.size(), 64 << 10)));
    z.next_out = reinterpret_cast<Bytef*>(out.data() + done);
    z.avail_out = static_cast<uInt>(out.size() - done);
    const int result = inflate(&z, Z_NO_FLUSH);
    done = out.size() - z.avail_out;
    if (result == Z_STREAM_END || (result == Z_BUF_ERROR && z.avail_in == 0)) // no more to come
      break;
    if (result != Z_OK)
      return std::nullopt;
  }
  out.resize(done);
  return out;
}

// Whether the frame stands stopped after these actions, given whether it did before them (a frame
// may hold several DoAction tags). Jumps and conditions are not followed: the last Stop or Play
// in the list decides.
bool ScanActions(std::string_view body, bool stopped) {
  Cursor c(body);
  while (!c.AtEnd()) {
    const std::uint8_t code = c.U8();
    if (code == kActionEnd)
      break;
    if (code >= 0x80)
      c.Take(c.U16());
    else if (code == kActionStop)
      stopped = true;
    else if (code == kActionPlay)
      stopped = false;
  }
  return stopped;
}

SwfMovie ReadBody(std::string_view body, SwfMovie movie) {
  Cursor c(body);
  const int nbits = static_cast<int>(c.Bits(5));
  const std::int64_t xmin = c.SignedBits(nbits), xmax = c.SignedBits(nbits);
  const std::int64_t ymin = c.SignedBits(nbits), ymax = c.SignedBits(nbits);
  c.Align();
  movie.stageWidth = static_cast<int>(std::max<std::int64_t>(0, (xmax - xmin) / 20));
  movie.stageHeight = static_cast<int>(std::max<std::int64_t>(0, (ymax - ymin) / 20));
  movie.frameRate = c.U16();
  movie.declaredFrames = c.U16();

  bool haveBackground = false;
  bool stopped = false; // the current frame's actions so far
  for (;;) {
    // Players show a movie whose tags stop without an End tag with the frames it has; only a
    // tag cut off inside itself is damage.
    if (c.AtEnd())
      return movie;
    const std::uint16_t header = c.U16();
    const int code = header >> 6;
    std::uint32_t length = header & 0x3F;
    if (length == 0x3F)
      length = c.U32();
    const std::string_view tag = c.Take(length);
    switch (code) {
    case kTagEnd:
      return movie;
    case kTagShowFrame:
      ++movie.frames;
      if (stopped)
        movie.stopFrames.insert(movie.frames);
      stopped = false;
      break;
    case kTagSetBackgroundColor:
      if (!haveBackground) {
        Cursor rgb(tag);
        const std::uint32_t r = rgb.U8(), g = rgb.U8(), b = rgb.U8();
        movie.background = r | g << 8 | b << 16;
        haveBackground = true;
      }
      break;
    case kTagDoAction:
      stopped = ScanActions(tag, stopped);
      break;
    default: // everything else, sprites with their own timelines included, is skipped whole
      break;
    }
  }
}

} // namespace

std::optional<SwfMovie> ReadSwf(std::string_view file) {
  try {
    Cursor c(file);
    const std::string_view signature = c.Take(3);
    SwfMovie movie;
    movie.compressed = signature == "CWS";
    if (!movie.compressed && signature != "FWS")
      return std::nullopt;
    movie.version = c.U8();
    const std::uint32_t length = c.U32();
    if (length < kHeaderLength)
      return std::nullopt;
    const std::size_t bodyLength = length - kHeaderLength;
    const std::string_view rest = file.substr(kHeaderLength);
    if (!movie.compressed)
      return ReadBody(rest.substr(0, bodyLength), movie); // the file may end sooner
    if (length > kMaxSwfLength)
      return std::nullopt;
    const std::optional<std::string> body = Inflate(rest, bodyLength);
    if (!body)
      return std::nullopt;
    return ReadBody(*body, movie);
  } catch (const Unreadable&) {
    return std::nullopt;
  }
}

} // namespace qt
