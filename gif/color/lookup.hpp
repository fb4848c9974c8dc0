#pragma once
#include <cstdint>

namespace qt {

// Maps a colour to an index of one fixed palette and reports the colour of that index, which the
// dither engines need to compute their error. PaletteSize 0 marks a lookup that cannot be used.
class TColorLookup {
public:
  virtual ~TColorLookup() = default;
  TColorLookup(const TColorLookup&) = delete;
  TColorLookup& operator=(const TColorLookup&) = delete;

  int PaletteSize() const { return paletteSize_; }
  // r, g, b receive the colour of the index answered.
  virtual std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                    std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) = 0;

protected:
  explicit TColorLookup(int paletteSize) : paletteSize_(paletteSize) {}
  int paletteSize_;
};

// The 216-colour cube: entry 36r + 6g + b holds 51r, 51g, 51b.
class TNetscapeColorLookup final : public TColorLookup {
public:
  TNetscapeColorLookup() : TColorLookup(216) {}
  std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                            std::uint8_t& g, std::uint8_t& b) override;
};

// 256 greys, entry i = (i, i, i).
class TGrayScaleLookup final : public TColorLookup {
public:
  TGrayScaleLookup() : TColorLookup(256) {}
  std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                            std::uint8_t& g, std::uint8_t& b) override;
};

// Black (0) and white (1).
class TMonochromeLookup final : public TColorLookup {
public:
  TMonochromeLookup() : TColorLookup(2) {}
  std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                            std::uint8_t& g, std::uint8_t& b) override;
};

} // namespace qt
