#include "gif/codec/GIFImage.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qt {

namespace {

template <class Extension>
std::unique_ptr<TGIFExtension> CreateExtension(TGIFSubImage& frame) {
  return std::make_unique<Extension>(frame);
}

const TGIFExtensionClass* ResolveSelf(const TGIFExtensionClass& self, Stream&) { return &self; }

// With the stream just after the label (or, asked again, after the identifier).
const TGIFExtensionClass* ResolveApplication(const TGIFExtensionClass& self, Stream& stream) {
  const std::uint64_t q = stream.Position();
  std::uint8_t size = 0;
  if (stream.Read(&size, 1) != 1)
    return nullptr;
  if (size == 10) {
    std::uint8_t bytes[10];
    return stream.Read(bytes, 10) == 10 ? &TGIFUnknownAppExtension::kClass : nullptr;
  }
  if (size == 11) {
    std::array<std::uint8_t, 11> identifier;
    if (stream.Read(identifier.data(), 11) == 11) {
      const TGIFExtensionClass* found = FindIdentifier(identifier);
      return found ? found : &TGIFUnknownAppExtension::kClass;
    }
  }
  stream.SetPosition(q);
  // Asked again, the stream stands at the first data sub-block, whose size says nothing about
  // the class found. Asked first, a longer block keeps its bytes, so it must be held as raw data.
  const bool first = &self == &TGIFApplicationExtension::kClass;
  return first && size > 11 ? &TGIFUnknownAppExtension::kClass : &self;
}

struct LabelEntry {
  std::uint8_t label;
  const TGIFExtensionClass* cls;
};

struct IdentifierEntry {
  std::array<std::uint8_t, 11> identifier;
  const TGIFExtensionClass* cls;
};

std::array<std::uint8_t, 11> Identifier(const char (&text)[12]) {
  std::array<std::uint8_t, 11> id;
  std::memcpy(id.data(), text, 11);
  return id;
}

} // namespace

const TGIFExtensionClass TGIFGraphicControlExtension::kClass{
    CreateExtension<TGIFGraphicControlExtension>, ResolveSelf};
const TGIFExtensionClass TGIFTextExtension::kClass{CreateExtension<TGIFTextExtension>, ResolveSelf};
const TGIFExtensionClass TGIFCommentExtension::kClass{CreateExtension<TGIFCommentExtension>,
                                                      ResolveSelf};
const TGIFExtensionClass TGIFApplicationExtension::kClass{
    CreateExtension<TGIFApplicationExtension>, ResolveApplication};
const TGIFExtensionClass TGIFUnknownAppExtension::kClass{CreateExtension<TGIFUnknownAppExtension>,
                                                         ResolveApplication};
const TGIFExtensionClass TGIFAppExtNSLoop::kClass{CreateExtension<TGIFAppExtNSLoop>,
                                                  ResolveApplication};

// The registries never change once made, so they are plain constant tables.
const TGIFExtensionClass* FindLabel(std::uint8_t label) {
  static const LabelEntry entries[] = {
      {0x01, &TGIFTextExtension::kClass},
      {0xF9, &TGIFGraphicControlExtension::kClass},
      {0xFE, &TGIFCommentExtension::kClass},
      {0xFF, &TGIFApplicationExtension::kClass},
  };
  for (auto it = std::rbegin(entries); it != std::rend(entries); ++it)
    if (it->label == label)
      return it->cls;
  return nullptr;
}

const TGIFExtensionClass* FindIdentifier(const std::array<std::uint8_t, 11>& identifier) {
  static const IdentifierEntry entries[] = {
      {Identifier("NETSCAPE2.0"), &TGIFAppExtNSLoop::kClass},
      {Identifier("ANIMEXTS1.0"), &TGIFAppExtNSLoop::kClass},
  };
  for (auto it = std::rbegin(entries); it != std::rend(entries); ++it)
    if (it->identifier == identifier)
      return it->cls;
  return nullptr;
}

const TGIFExtensionClass* ResolveExtensionClass(Stream& stream) {
  const std::uint64_t p = stream.Position();
  std::uint8_t label = 0;
  const TGIFExtensionClass* c = nullptr;
  if (stream.Read(&label, 1) == 1) {
    c = FindLabel(label);
    while (c) {
      const TGIFExtensionClass* r = c->ResolveClass(*c, stream);
      if (r == c)
        break;
      c = r;
    }
  }
  stream.SetPosition(p);
  return c;
}

// ---- TGIFExtension ----

TGIFExtension::TGIFExtension(TGIFSubImage& frame) : TGIFItem(frame.Image()), ownerFrame_(frame) {}

void TGIFExtension::SaveToStream(Stream& stream) {
  const std::uint8_t head[2] = {0x21, ExtensionLabel()};
  stream.Write(head, 2);
  SaveData(stream);
}

void TGIFExtension::LoadFromStream(Stream& stream) {
  std::uint8_t head[2];
  ReadExact(stream, head, 2);
  if (head[0] != 0x21)
    RaiseGIFError(gif_text::kInvalidIntroducer);
  if (head[1] != ExtensionLabel())
    RaiseGIFError(gif_text::kLabelMismatch);
  LoadData(stream);
}

// ---- Graphic control ----

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage& frame)
    : TGIFExtension(frame) {
  if (!frame.GraphicControlExtension())
    frame.SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (TransparentColorFlag())
    OwnerFrame().SetTransparent(false);
  if (OwnerFrame().GraphicControlExtension() == this)
    OwnerFrame().SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetTransparentColorFlag(bool on) {
  OwnerFrame().SetTransparent(on);
  ControlBlock[1] = static_cast<std::uint8_t>((ControlBlock[1] & ~1) | (on ? 1 : 0));
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
  const TGIFColorMap& map = OwnerFrame().ActiveColorMap();
  if (map.ColorCount() > 0 && index >= map.ColorCount()) {
    Warning(1, gif_text::kInvalidColorIndex);
    index = 0;
  }
  ControlBlock[4] = static_cast<std::uint8_t>(index);
}

void TGIFGraphicControlExtension::SetDelayTime(std::uint16_t delay) {
  ControlBlock[2] = static_cast<std::uint8_t>(delay);
  ControlBlock[3] = static_cast<std::uint8_t>(delay >> 8);
}

void TGIFGraphicControlExtension::SetDisposalMethod(int method) {
  ControlBlock[1] = static_cast<std::uint8_t>((ControlBlock[1] & ~0x1C) | (method & 7) << 2);
}

void TGIFGraphicControlExtension::SaveData(Stream& stream) {
  stream.Write(ControlBlock.data(), ControlBlock.size());
}

void TGIFGraphicControlExtension::LoadData(Stream& stream) {
  std::array<std::uint8_t, 6> block{};
  if (stream.Read(block.data(), block.size()) != block.size()) {
    Warning(1, gif_text::kPrematureEnd);
    return;
  }
  ControlBlock = block;
  if (TransparentColorFlag())
    OwnerFrame().SetTransparent(true);
}

// ---- Text and comment ----

void TGIFTextExtension::SaveData(Stream& stream) {
  stream.Write(PlainTextHeader.data(), PlainTextHeader.size());
  WriteStringBlocks(stream, Lines);
}

void TGIFTextExtension::LoadData(Stream& stream) {
  ReadExact(stream, PlainTextHeader.data(), PlainTextHeader.size());
  Lines = ReadStringBlocks(stream);
}

void TGIFCommentExtension::SaveData(Stream& stream) { WriteStringBlocks(stream, Lines); }

void TGIFCommentExtension::LoadData(Stream& stream) { Lines = ReadStringBlocks(stream); }

// ---- Application ----

void TGIFApplicationExtension::SaveData(Stream& stream) {
  WriteByte(stream, static_cast<std::uint8_t>(11 + ExtraBlockBytes.size()));
  stream.Write(AppIdentifier.data(), AppIdentifier.size());
  stream.Write(ExtraBlockBytes);
  SaveAppData(stream);
}

void TGIFApplicationExtension::LoadData(Stream& stream) {
  const std::uint8_t size = ReadByte(stream);
  ExtraBlockBytes.clear();
  if (size == 10) {
    AppIdentifier = {};
    ReadExact(stream, AppIdentifier.data(), 10);
  } else if (size < 10) {
    RaiseGIFError(gif_text::kUnsupportedAppBlock);
  } else {
    ReadExact(stream, AppIdentifier.data(), 11);
    ExtraBlockBytes.resize(size - 11u);
    ReadExact(stream, ExtraBlockBytes.data(), ExtraBlockBytes.size());
  }
  LoadAppData(stream);
}

void TGIFApplicationExtension::SaveAppData(Stream& stream) { WriteByte(stream, 0); }

void TGIFApplicationExtension::LoadAppData(Stream& stream) {
  for (std::uint8_t n = ReadByte(stream); n != 0; n = ReadByte(stream))
    SkipBytes(stream, n);
}

void TGIFUnknownAppExtension::SaveAppData(Stream& stream) {
  for (const TGIFBlock& block : DataBlocks) {
    WriteByte(stream, static_cast<std::uint8_t>(block.Bytes.size()));
    stream.Write(block.Bytes);
  }
  WriteByte(stream, 0);
}

void TGIFUnknownAppExtension::LoadAppData(Stream& stream) {
  DataBlocks.clear();
  for (std::uint8_t n = ReadByte(stream); n != 0; n = ReadByte(stream)) {
    TGIFBlock block{std::string(n, '\0')};
    ReadExact(stream, block.Bytes.data(), n);
    DataBlocks.push_back(std::move(block));
  }
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage& frame) : TGIFApplicationExtension(frame) {
  AppIdentifier = Identifier("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::SaveAppData(Stream& stream) {
  const std::uint8_t loop[5] = {3, 1, static_cast<std::uint8_t>(LoopCount),
                                static_cast<std::uint8_t>(LoopCount >> 8), 0};
  stream.Write(loop, 4);
  if (StreamBufferSize != 0) {
    const std::uint8_t buffer[6] = {5, 2,
                                    static_cast<std::uint8_t>(StreamBufferSize),
                                    static_cast<std::uint8_t>(StreamBufferSize >> 8),
                                    static_cast<std::uint8_t>(StreamBufferSize >> 16),
                                    static_cast<std::uint8_t>(StreamBufferSize >> 24)};
    stream.Write(buffer, 6);
  }
  WriteByte(stream, 0);
}

void TGIFAppExtNSLoop::LoadAppData(Stream& stream) {
  for (int n = ReadByte(stream); n != 0; n = ReadByte(stream)) {
    const int id = ReadByte(stream) & 7;
    --n;
    if (id == 1) {
      if (n < 2)
        RaiseGIFError(gif_text::kInvalidData);
      std::uint8_t v[2];
      ReadExact(stream, v, 2);
      LoopCount = static_cast<std::uint16_t>(v[0] | v[1] << 8);
      n -= 2;
    } else if (id == 2) {
      if (n < 4)
        RaiseGIFError(gif_text::kInvalidData);
      std::uint8_t v[4];
      ReadExact(stream, v, 4);
      StreamBufferSize = static_cast<std::uint32_t>(v[0] | v[1] << 8 | v[2] << 16) |
                         static_cast<std::uint32_t>(v[3]) << 24;
      n -= 4;
    }
    if (n > 0)
      SkipBytes(stream, static_cast<std::uint64_t>(n));
  }
}

// ---- Extension list ----

TGIFExtensionList::~TGIFExtensionList() { Clear(); }

void TGIFExtensionList::LoadFromStream(Stream& stream, TGIFSubImage& parent) {
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) != 1)
    return;
  while (b != ',' && b != ';') {
    if (b != '!') {
      Warning(1, gif_text::kInvalidIntroducer);
      break;
    }
    const TGIFExtensionClass* cls = ResolveExtensionClass(stream);
    if (!cls) {
      // A truncated block of a known kind fails; a kind we do not know is passed over, as
      // decoders do, since the picture itself is still good.
      const std::uint64_t at = stream.Position();
      std::uint8_t label = 0;
      if (stream.Read(&label, 1) != 1 || FindLabel(label)) {
        stream.SetPosition(at);
        RaiseGIFError(gif_text::kUnknownExtension);
      }
      Warning(1, gif_text::kUnknownExtension);
      for (std::uint8_t n = ReadByte(stream); n != 0; n = ReadByte(stream))
        SkipBytes(stream, n);
    } else {
      StepBack(stream);
      std::unique_ptr<TGIFExtension> extension = cls->Create(parent);
      extension->LoadFromStream(stream);
      Add(std::move(extension));
    }
    if (stream.Read(&b, 1) != 1)
      return;
  }
  StepBack(stream);
}

void TGIFExtensionList::SaveToStream(Stream& stream) const {
  for (int i = 0; i < Count(); ++i)
    Items(i).SaveToStream(stream);
}

} // namespace qt
