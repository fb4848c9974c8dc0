#include "gif/color/dither.hpp"

#include <algorithm>
#include <limits>
#include <new>

namespace qt {
namespace {

// A row of width + 2 x guard zeroed entries; a width no memory can hold fails as out of memory
// rather than wrapping.
std::vector<std::int32_t> ErrorRow(int width, int guard) {
  const std::int64_t entries = static_cast<std::int64_t>(width) + 2 * guard;
  if (width < 0 || static_cast<std::uint64_t>(entries) > std::vector<std::int32_t>().max_size())
    throw std::bad_alloc();
  return std::vector<std::int32_t>(static_cast<std::size_t>(entries), 0);
}

// channel + (sum + half) div divisor, truncating toward zero, clamped to a channel value.
int Diffused(int channel, std::int32_t sum, int divisor) {
  return std::clamp(channel + (sum + divisor / 2) / divisor, 0, 255);
}

constexpr TKernelCell kStucki[] = {
    {0, 1, 8}, {0, 2, 4},                                              //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},           //
    {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}};
constexpr TKernelCell kSierra[] = {
    {0, 1, 5}, {0, 2, 3},                                              //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},           //
    {2, -1, 2}, {2, 0, 3}, {2, 1, 2}};
constexpr TKernelCell kJaJuNi[] = {
    {0, 1, 7}, {0, 2, 5},                                              //
    {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},           //
    {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}};
constexpr TKernelCell kBurkes[] = {
    {0, 1, 8}, {0, 2, 4},                                              //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}};
constexpr TKernelCell kSteveArche[] = {
    {0, 2, 32},                                                        //
    {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},                  //
    {2, -2, 12}, {2, 0, 26}, {2, 2, 12},                               //
    {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}};

} // namespace

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup) : lookup_(lookup), width_(width) {}

std::uint8_t TDitherEngine::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  const std::uint8_t index = lookup_.NearestIndex(red, green, blue, r, g, b);
  StepColumn();
  return index;
}

void TDitherEngine::EndRow() {
  direction_ = -direction_;
  column_ = direction_ > 0 ? 0 : width_ - 1;
}

void DitherRow(TDitherEngine& engine, const std::uint8_t* bgr, std::uint8_t* indices) {
  const int direction = engine.Direction();
  const std::uint8_t* source = bgr + 3 * static_cast<std::ptrdiff_t>(engine.Column());
  std::uint8_t* target = indices + engine.Column();
  std::uint8_t r, g, b;
  while (engine.Column() >= 0 && engine.Column() < engine.Width()) {
    *target = engine.DitherPixel(source[2], source[1], source[0], r, g, b);
    source += 3 * direction;
    target += direction;
  }
  engine.EndRow();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
  for (Channel& ch : channels_)
    ch.errors = ErrorRow(width, 1);
}

std::int32_t TFloydSteinbergDitherer::Value(Channel& ch, int channel) const {
  return Diffused(channel, ch.errors[position_ + Direction()] + ch.carried, 16);
}

void TFloydSteinbergDitherer::Spread(Channel& ch, int error) {
  ch.errors[position_] = ch.behind + 3 * error;
  ch.behind = ch.below + 5 * error;
  ch.below = error;
  ch.carried = 7 * error;
}

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                                  std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  const int vr = Value(channels_[0], red), vg = Value(channels_[1], green), vb = Value(channels_[2], blue);
  const std::uint8_t index = lookup_.NearestIndex(static_cast<std::uint8_t>(vr), static_cast<std::uint8_t>(vg),
                                                  static_cast<std::uint8_t>(vb), r, g, b);
  Spread(channels_[0], vr - r);
  Spread(channels_[1], vg - g);
  Spread(channels_[2], vb - b);
  StepColumn();
  position_ += Direction();
  return index;
}

void TFloydSteinbergDitherer::EndRow() {
  for (Channel& ch : channels_) {
    ch.errors[position_] = ch.behind;
    ch.carried = ch.below = ch.behind = 0;
  }
  TDitherEngine::EndRow();
  position_ = Direction() > 0 ? 0 : static_cast<std::size_t>(Width()) + 1;
}

TRowBufferDitherer::TRowBufferDitherer(int width, TColorLookup& lookup, int rows, int guard, int divisor,
                                       std::span<const TKernelCell> kernel)
    : TDitherEngine(width, lookup), kernel_(kernel), guard_(guard), divisor_(divisor),
      position_(static_cast<std::size_t>(guard)) {
  for (auto& channel : rows_)
    for (int i = 0; i < rows; ++i)
      channel.push_back(ErrorRow(width, guard));
}

std::uint8_t TRowBufferDitherer::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                             std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  const std::uint8_t in[3] = {red, green, blue};
  int value[3];
  for (int c = 0; c < 3; ++c)
    value[c] = Diffused(in[c], rows_[c][0][position_], divisor_);
  const std::uint8_t index = lookup_.NearestIndex(static_cast<std::uint8_t>(value[0]), static_cast<std::uint8_t>(value[1]),
                                                  static_cast<std::uint8_t>(value[2]), r, g, b);
  const std::uint8_t out[3] = {r, g, b};
  const auto direction = static_cast<std::ptrdiff_t>(Direction());
  for (int c = 0; c < 3; ++c) {
    const int error = value[c] - out[c];
    if (error == 0) continue;
    for (const TKernelCell& cell : kernel_)
      rows_[c][cell.row][position_ + cell.offset * direction] += cell.weight * error;
  }
  StepColumn();
  position_ += Direction();
  return index;
}

void TRowBufferDitherer::EndRow() {
  for (auto& channel : rows_) {
    std::fill(channel.front().begin(), channel.front().end(), 0);
    std::rotate(channel.begin(), channel.begin() + 1, channel.end());
  }
  TDitherEngine::EndRow();
  position_ = static_cast<std::size_t>(Column() + guard_);
}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 42, kStucki) {}
TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 32, kSierra) {}
TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 48, kJaJuNi) {}
TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TRowBufferDitherer(width, lookup, 4, 3, 200, kSteveArche) {}
TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TRowBufferDitherer(width, lookup, 2, 2, 32, kBurkes) {}

} // namespace qt
