#include "gif/codec/GIFImage.hpp"

#include "base/file_stream.hpp"
#include "gif/codec/lzw.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace qt {

// ---- Items ----

void TGIFItem::Warning(std::uint8_t severity, const std::string& message) const {
  if (image_)
    image_->ReportWarning(this, severity, message);
}

void TGIFItem::SaveToFile(const std::filesystem::path& path) {
  FileStream file(path, FileStream::Mode::create);
  SaveToStream(file);
}

void TGIFItem::LoadFromFile(const std::filesystem::path& path) {
  FileStream file(path, FileStream::Mode::read);
  LoadFromStream(file);
}

// ---- Header ----

void TGIFHeader::Clear() {
  colorMap_.Clear();
  LogicalScreenDescriptor = {};
}

void TGIFHeader::Assign(const TGIFHeader& source) {
  if (&source == this)
    return;
  colorMap_.Assign(source.colorMap_);
  LogicalScreenDescriptor = source.LogicalScreenDescriptor;
}

void TGIFHeader::Assign(const TGIFColorMap& source) {
  if (&source == &colorMap_)
    return;
  Clear();
  colorMap_.Assign(source);
}

int TGIFHeader::NeededVersion() const {
  return colorMap_.SortedByUse() || LogicalScreenDescriptor.AspectRatio != 0 ? kGIFVersion89a
                                                                              : kGIFVersion87a;
}

void TGIFHeader::LoadFromStream(Stream& stream) {
  const std::uint64_t start = stream.Position();
  auto isGIF = [](const std::uint8_t* s) {
    return std::toupper(s[0]) == 'G' && std::toupper(s[1]) == 'I' && std::toupper(s[2]) == 'F';
  };
  std::uint8_t signature[6];
  ReadExact(stream, signature, 6);
  if (!isGIF(signature)) {
    // Data that carries a 4-byte length before the GIF.
    stream.SetPosition(start + 4);
    ReadExact(stream, signature, 6);
    if (!isGIF(signature))
      RaiseGIFError(gif_text::kInvalidSignature);
  }
  std::uint8_t d[7];
  ReadExact(stream, d, 7);
  LogicalScreenDescriptor = {static_cast<std::uint16_t>(d[0] | d[1] << 8),
                             static_cast<std::uint16_t>(d[2] | d[3] << 8), d[4], d[5], d[6]};
  if (d[4] & 0x80)
    colorMap_.ReadFromStream(stream, 2 << (d[4] & 7));
  else
    colorMap_.Clear();
}

void TGIFHeader::SaveToStream(Stream& stream) {
  const int version = Image() ? Image()->RequiredVersion() : kGIFVersionNone;
  if (version == kGIFVersionNone)
    RaiseGIFError(gif_text::kUnsupportedVersion);
  stream.Write(version == kGIFVersion87a ? "GIF87a" : "GIF89a");
  RebuildPackedFlags();
  const TLogicalScreenDescriptor& s = LogicalScreenDescriptor;
  const std::uint8_t d[7] = {static_cast<std::uint8_t>(s.ScreenWidth),
                             static_cast<std::uint8_t>(s.ScreenWidth >> 8),
                             static_cast<std::uint8_t>(s.ScreenHeight),
                             static_cast<std::uint8_t>(s.ScreenHeight >> 8),
                             s.PackedFields,
                             s.BackgroundColorIndex,
                             s.AspectRatio};
  stream.Write(d, 7);
  if (s.PackedFields & 0x80)
    colorMap_.WriteToStream(stream);
}

void TGIFHeader::RebuildPackedFlags() {
  const bool global = colorMap_.ColorCount() > 0;
  std::uint8_t flags = 0;
  if (global)
    flags |= 0x80;
  if (global && colorMap_.SortedByUse())
    flags |= 0x08;
  const int resolution = Image() ? Image()->MaxColorResolution() : colorMap_.BitsPerPixel() - 1;
  flags |= static_cast<std::uint8_t>((resolution & 7) << 4);
  const int bits = global ? colorMap_.BitsPerPixel() : Image() ? Image()->MaxBitsPerPixel() : 0;
  flags |= static_cast<std::uint8_t>((bits - 1) & 7);
  LogicalScreenDescriptor.PackedFields = flags;
}

// ---- Frames ----

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image), extensions_(image), colorMap_(*this) {}

TGIFSubImage::~TGIFSubImage() {
  // The graphic control extension tells the frame when it goes, so the frame must still be whole.
  ClearFrame();
}

void TGIFSubImage::ClearFrame() {
  extensions_.Clear();
  colorMap_.Clear();
  ReleasePixels();
  ImageDescriptor.Height = 0;
  ImageDescriptor.Width = 0;
  transparent_ = false;
  gce_ = nullptr;
}

void TGIFSubImage::Assign(const TGIFSubImage& source) {
  if (&source == this)
    return;
  ClearFrame();
  try {
    ImageDescriptor = source.ImageDescriptor;
    colorMap_.Assign(source.colorMap_);
    // Extensions that stand before the trailer make a frame without pixels: all else is copied.
    if (!source.IsEmptyFrame()) {
      transparent_ = source.transparent_;
      AllocatePixels();
      std::memcpy(pixels_.get(), source.pixels_.get(), static_cast<std::size_t>(std::min(dataSize_, source.dataSize_)));
    }
    if (source.extensions_.Count() > 0) {
      // Read back as this frame's, so that the control extension finds its frame as on load.
      MemoryStream bytes;
      source.extensions_.SaveToStream(bytes);
      bytes.SetPosition(0);
      extensions_.LoadFromStream(bytes, *this);
    }
  } catch (...) {
    ClearFrame();
    throw;
  }
}

bool TGIFSubImage::IsEmptyFrame() const {
  return !pixels_ || dataSize_ == 0 || Width() == 0 || Height() == 0;
}

int TGIFSubImage::DescriptorField(int n) const {
  switch (n) {
    case 1: return Left();
    case 2: return Top();
    case 3: return Width();
    case 4: return Height();
    default: return 0;
  }
}

void TGIFSubImage::SetDescriptorField(int n, int value) {
  switch (n) {
    case 1: PlaceFrame(value, Top(), Width(), Height()); break;
    case 2: PlaceFrame(Left(), value, Width(), Height()); break;
    case 3: PlaceFrame(Left(), Top(), value, Height()); break;
    case 4: PlaceFrame(Left(), Top(), Width(), value); break;
    default: break;
  }
}

void TGIFSubImage::PlaceFrame(int left, int top, int width, int height) {
  const bool resized = width != Width() || height != Height();
  ImageDescriptor.Left = static_cast<std::uint16_t>(left);
  ImageDescriptor.Top = static_cast<std::uint16_t>(top);
  ImageDescriptor.Width = static_cast<std::uint16_t>(width);
  ImageDescriptor.Height = static_cast<std::uint16_t>(height);
  if (resized) {
    ReleasePixels();
    AllocatePixels();
  }
  TGIFImage* image = Image();
  if (!image)
    return;
  bool exceeded = false;
  TLogicalScreenDescriptor& screen = image->Header().LogicalScreenDescriptor;
  if (screen.ScreenWidth < Left() + Width()) {
    if (screen.ScreenWidth > 0) {
      Warning(1, gif_text::kWidthTooSmall);
      exceeded = true;
    }
    screen.ScreenWidth = static_cast<std::uint16_t>(Left() + Width());
  }
  if (screen.ScreenHeight < Top() + Height()) {
    if (screen.ScreenHeight > 0) {
      Warning(1, gif_text::kHeightTooSmall);
      exceeded = true;
    }
    screen.ScreenHeight = static_cast<std::uint16_t>(Top() + Height());
  }
  if (exceeded)
    Warning(1, gif_text::kExceedsScreen);
}

void TGIFSubImage::AllocatePixels(bool zeroed) {
  ReleasePixels();
  const std::uint64_t size = std::uint64_t{ImageDescriptor.Width} * ImageDescriptor.Height;
  if (size == 0)
    return;
  if (size > std::numeric_limits<std::size_t>::max())
    RaiseGIFError(gif_text::kImageTooLarge);
  const std::size_t n = static_cast<std::size_t>(size);
  pixels_.reset(static_cast<std::uint8_t*>(zeroed ? std::calloc(n, 1) : std::malloc(n)));
  if (!pixels_)
    RaiseGIFError(gif_text::kImageTooLarge);
  dataSize_ = size;
}

void TGIFSubImage::ReleasePixels() {
  pixels_.reset();
  dataSize_ = 0;
}

void TGIFSubImage::EnsurePixels() {
  if (!pixels_)
    AllocatePixels();
  if (dataSize_ == 0)
    RaiseGIFError(gif_text::kImageEmpty);
}

std::uint8_t* TGIFSubImage::RowPointer(int y) {
  if (y < 0 || y >= Height())
    RaiseGIFError(gif_text::kInvalidPixel);
  EnsurePixels();
  return pixels_.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width());
}

std::uint8_t TGIFSubImage::PixelAt(int x, int y) {
  if (x < 0 || x >= Width())
    RaiseGIFError(gif_text::kInvalidPixel);
  return RowPointer(y)[x];
}

TGIFColorMap& TGIFSubImage::EffectiveColorMap() {
  if (colorMap_.ColorCount() == 0 && Image() && Image()->Header().ColorMap().ColorCount() > 0)
    return Image()->Header().ColorMap();
  return colorMap_;
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() { return EffectiveColorMap(); }

int TGIFSubImage::NeededVersion() const {
  int version = colorMap_.SortedByUse() ? kGIFVersion89a : TGIFItem::NeededVersion();
  for (int i = 0; version < kGIFVersion89a && i < extensions_.Count(); ++i)
    version = std::max(version, extensions_.Items(i).NeededVersion());
  return version;
}

void TGIFSubImage::LoadFromStream(Stream& stream) {
  ClearFrame();
  extensions_.LoadFromStream(stream, *this);
  std::uint8_t next = 0;
  if (stream.Read(&next, 1) != 1)
    return;
  StepBack(stream);
  if (next == ';' || next == 0)
    return;
  std::uint8_t d[10];
  ReadExact(stream, d, 10);
  ImageDescriptor = {d[0],
                     static_cast<std::uint16_t>(d[1] | d[2] << 8),
                     static_cast<std::uint16_t>(d[3] | d[4] << 8),
                     static_cast<std::uint16_t>(d[5] | d[6] << 8),
                     static_cast<std::uint16_t>(d[7] | d[8] << 8),
                     d[9]};
  if (Width() == 0 || Height() == 0) {
    if (TGIFImage* image = Image()) {
      ImageDescriptor.Height = static_cast<std::uint16_t>(image->Height());
      ImageDescriptor.Width = static_cast<std::uint16_t>(image->Width());
    }
    Warning(1, gif_text::kExceedsScreen);
  }
  if (d[9] & 0x80)
    colorMap_.ReadFromStream(stream, 2 << (d[9] & 7));
  DecodeFrameData(*this, stream);
}

void TGIFSubImage::RebuildPackedFlags() {
  std::uint8_t& flags = ImageDescriptor.PackedFields;
  if (colorMap_.ColorCount() > 0)
    flags = static_cast<std::uint8_t>(0x80 | (colorMap_.SortedByUse() ? 0x20 : 0) |
                                      (LocalMapSizeField() & 7));
  else
    flags &= 0x58;
}

void TGIFSubImage::SaveToStream(Stream& stream) {
  extensions_.SaveToStream(stream);
  if (IsEmptyFrame())
    return;
  RebuildPackedFlags();
  const TImageDescriptor& d = ImageDescriptor;
  const std::uint8_t bytes[10] = {d.Separator,
                                  static_cast<std::uint8_t>(d.Left),
                                  static_cast<std::uint8_t>(d.Left >> 8),
                                  static_cast<std::uint8_t>(d.Top),
                                  static_cast<std::uint8_t>(d.Top >> 8),
                                  static_cast<std::uint8_t>(d.Width),
                                  static_cast<std::uint8_t>(d.Width >> 8),
                                  static_cast<std::uint8_t>(d.Height),
                                  static_cast<std::uint8_t>(d.Height >> 8),
                                  d.PackedFields};
  stream.Write(bytes, 10);
  colorMap_.WriteToStream(stream);
  EncodeFrameData(*this, stream);
}

// ---- Trailer ----

void TGIFTrailer::SaveToStream(Stream& stream) { WriteByte(stream, ';'); }

void TGIFTrailer::LoadFromStream(Stream& stream) {
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) == 1 && b != ';')
    Warning(1, gif_text::kInvalidTrailer);
}

// ---- Frame list ----

namespace {

// Skips zero bytes between blocks; false at the end of the stream.
bool NextBlockByte(Stream& stream, std::uint8_t& b) {
  do {
    if (stream.Read(&b, 1) != 1)
      return false;
  } while (b == 0);
  return true;
}

int Percent(std::uint64_t part, std::uint64_t whole) {
  return whole == 0 ? 100 : static_cast<int>((part * 100 + whole / 2) / whole);
}

} // namespace

void TGIFImageList::LoadFromStream(Stream& stream, TGIFImage& parent) {
  std::uint8_t b = 0;
  if (!NextBlockByte(stream, b))
    return;
  while (b != ';') {
    StepBack(stream);
    if (b != '!' && b != ',') {
      Warning(1, gif_text::kUnknownBlock);
      return;
    }
    auto frame = std::make_unique<TGIFSubImage>(&parent);
    frame->LoadFromStream(stream);
    Add(std::move(frame));
    parent.Progress(this, TProgressStage::psRunning, Percent(stream.Position(), stream.Size()),
                    false, "Loading...");
    if (!NextBlockByte(stream, b))
      return;
  }
  StepBack(stream);
}

void TGIFImageList::SaveToStream(Stream& stream) {
  for (int i = 0; i < Count(); ++i) {
    Items(i).SaveToStream(stream);
    if (Image())
      Image()->Progress(this, TProgressStage::psRunning,
                        Percent(static_cast<std::uint64_t>(i) + 1, static_cast<std::uint64_t>(Count())),
                        false, "Saving...");
  }
}

// ---- Image ----

TGIFImage::TGIFImage() : header_(this), images_(this) { ClearImage(); }

TGIFImage::~TGIFImage() { images_.Clear(); }

void TGIFImage::ClearImage() {
  images_.Clear();
  header_.ColorMap().Clear();
  header_.LogicalScreenDescriptor.ScreenWidth = 0;
  header_.LogicalScreenDescriptor.ScreenHeight = 0;
  header_.RebuildPackedFlags();
}

int TGIFImage::AddFrame(std::unique_ptr<TGIFSubImage> frame) {
  if (!frame || frame->Image() != this)
    RaiseGIFError(gif_text::kObjectNotSupported);
  return images_.Add(std::move(frame));
}

void TGIFImage::SetWidth(int value) {
  for (int i = 0; i < images_.Count(); ++i)
    if (value < images_.Items(i).Left() + images_.Items(i).Width())
      RaiseGIFError(gif_text::kWidthTooSmall);
  header_.LogicalScreenDescriptor.ScreenWidth = static_cast<std::uint16_t>(value);
}

void TGIFImage::SetHeight(int value) {
  for (int i = 0; i < images_.Count(); ++i)
    if (value < images_.Items(i).Top() + images_.Items(i).Height())
      RaiseGIFError(gif_text::kHeightTooSmall);
  header_.LogicalScreenDescriptor.ScreenHeight = static_cast<std::uint16_t>(value);
}

int TGIFImage::RequiredVersion() const {
  int version = kGIFVersionNone;
  for (int i = 0; i < images_.Count() && version < kGIFVersion89a; ++i)
    version = std::max(version, images_.Items(i).NeededVersion());
  return version;
}

int TGIFImage::MaxColorResolution() const {
  int resolution = header_.ColorMap().BitsPerPixel() - 1;
  for (int i = 0; i < images_.Count(); ++i)
    resolution = std::max(resolution, images_.Items(i).LocalMapBits() - 1);
  return resolution;
}

int TGIFImage::MaxBitsPerPixel() const {
  int bits = header_.ColorMap().BitsPerPixel();
  for (int i = 0; i < images_.Count(); ++i)
    bits = std::max(bits, images_.Items(i).LocalMapBits());
  return bits;
}

void TGIFImage::ReportWarning(GIFSender sender, std::uint8_t severity, const std::string& message) {
  if (OnCodecWarning)
    OnCodecWarning(sender, severity, message);
}

void TGIFImage::Progress(GIFSender sender, TProgressStage stage, int percent, bool redrawNow,
                         const std::string& message) {
  if (OnProgress)
    OnProgress(sender, stage, percent, redrawNow, message);
}

void TGIFImage::ColorMapChanged(TGIFSubImage* frame) {
  if (OnColorMapChanged)
    OnColorMapChanged(frame);
}

void TGIFImage::LoadFromStream(Stream& stream) {
  Progress(this, TProgressStage::psStarting, 0, false, "Loading...");
  bool done = false;
  try {
    ClearImage();
    const std::uint64_t start = stream.Position();
    try {
      header_.LoadFromStream(stream);
      images_.LoadFromStream(stream, *this);
      TGIFTrailer(this).LoadFromStream(stream);
    } catch (...) {
      stream.SetPosition(start);
      throw;
    }
    done = true;
  } catch (...) {
    Progress(this, TProgressStage::psEnding, 0, true, "Loading...");
    throw;
  }
  if (done)
    Progress(this, TProgressStage::psEnding, 100, true, "Loading...");
}

void TGIFImage::SaveToStream(Stream& stream) {
  Progress(this, TProgressStage::psStarting, 0, false, "Saving...");
  try {
    header_.SaveToStream(stream);
    images_.SaveToStream(stream);
    TGIFTrailer(this).SaveToStream(stream);
  } catch (...) {
    Progress(this, TProgressStage::psEnding, 0, true, "Saving...");
    throw;
  }
  Progress(this, TProgressStage::psEnding, 100, true, "Saving...");
}

void TGIFImage::LoadFromFile(const std::filesystem::path& path) {
  FileStream file(path, FileStream::Mode::read);
  LoadFromStream(file);
}

void TGIFImage::SaveToFile(const std::filesystem::path& path) {
  FileStream file(path, FileStream::Mode::create);
  SaveToStream(file);
}

} // namespace qt
