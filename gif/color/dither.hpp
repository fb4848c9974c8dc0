#pragma once
// Dither engines: 24-bit pixels to indices of one palette, one pixel at a time, through a colour
// lookup. The engines scan serpentine (rows alternate left to right and right to left); the
// diffusing ones keep integer errors unscaled (weight x error) and divide once, truncating, when
// the pixel that receives them is processed.
#include "gif/color/lookup.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace qt {

// Nearest colour, no diffusion. The lookup is not owned; it outlives the engine.
class TDitherEngine {
public:
  TDitherEngine(int width, TColorLookup& lookup);
  virtual ~TDitherEngine() = default;
  TDitherEngine(const TDitherEngine&) = delete;
  TDitherEngine& operator=(const TDitherEngine&) = delete;

  int Width() const { return width_; }
  // +1 or -1.
  int Direction() const { return direction_; }
  // The column of the next pixel.
  int Column() const { return column_; }

  // Quantises the pixel at Column and steps on; r, g, b receive the colour of the index answered.
  virtual std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                   std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);
  // Ends the row and turns: Column becomes 0 going right, width - 1 going left.
  virtual void EndRow();
  // Passes a pixel without quantising it; the error terms stay where they are.
  void StepColumn() { column_ += direction_; }

protected:
  TColorLookup& lookup_;

private:
  int width_;
  int direction_ = 1;
  int column_ = 0;
};

// Runs one image row through the engine from its Column in its Direction, then EndRow. bgr is the
// row's first pixel (three bytes each: blue, green, red), indices the row's first target byte.
void DitherRow(TDitherEngine& engine, const std::uint8_t* bgr, std::uint8_t* indices);

// Floyd-Steinberg with a single error row per channel and running sums: 7/16 ahead, 3/16 below
// and behind, 5/16 below, 1/16 below and ahead; shares beyond the row's ends are dropped.
class TFloydSteinbergDitherer : public TDitherEngine {
public:
  TFloydSteinbergDitherer(int width, TColorLookup& lookup);
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                           std::uint8_t& g, std::uint8_t& b) override;
  void EndRow() override;

private:
  struct Channel {
    std::vector<std::int32_t> errors; // entry k belongs to column k - 1; 0 and width + 1 are guards
    std::int32_t carried = 0;         // along the row, for the next pixel
    std::int32_t below = 0;           // pending for the pixel below this one
    std::int32_t behind = 0;          // pending for the pixel below and behind
  };
  std::int32_t Value(Channel& ch, int channel) const;
  void Spread(Channel& ch, int error);

  Channel channels_[3];
  std::size_t position_ = 0; // entry of the column behind the current one in the scan direction
};

// One cell of a kernel: row 0 is the current row, offset +1 the next pixel in the scan direction.
struct TKernelCell {
  int row, offset, weight;
};

// Engines that keep a few whole error rows per channel and rotate them at each row's end.
class TRowBufferDitherer : public TDitherEngine {
public:
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                           std::uint8_t& g, std::uint8_t& b) override;
  void EndRow() override;
  int Divisor() const { return divisor_; }

protected:
  // guard: entries at each end of a row that catch the shares falling outside the image.
  TRowBufferDitherer(int width, TColorLookup& lookup, int rows, int guard, int divisor,
                     std::span<const TKernelCell> kernel);

private:
  std::vector<std::vector<std::int32_t>> rows_[3]; // per channel, row 0 = the current image row
  std::span<const TKernelCell> kernel_;
  int guard_;
  int divisor_;
  std::size_t position_; // the entry of the current column, the same in every row
};

// The 5 x 3 kernels: three rows, two guard entries at each end.
class T5by3Ditherer : public TRowBufferDitherer {
protected:
  T5by3Ditherer(int width, TColorLookup& lookup, int divisor, std::span<const TKernelCell> kernel)
      : TRowBufferDitherer(width, lookup, 3, 2, divisor, kernel) {}
};

class TStuckiDitherer : public T5by3Ditherer {
public:
  TStuckiDitherer(int width, TColorLookup& lookup);
};

// The three-row Sierra kernel.
class TSierraDitherer : public T5by3Ditherer {
public:
  TSierraDitherer(int width, TColorLookup& lookup);
};

// Jarvis, Judice and Ninke.
class TJaJuNiDitherer : public T5by3Ditherer {
public:
  TJaJuNiDitherer(int width, TColorLookup& lookup);
};

// Stevenson-Arce: four rows, three guard entries.
class TSteveArcheDitherer : public TRowBufferDitherer {
public:
  TSteveArcheDitherer(int width, TColorLookup& lookup);
};

class TBurkesDitherer : public TRowBufferDitherer {
public:
  TBurkesDitherer(int width, TColorLookup& lookup);
};

} // namespace qt
