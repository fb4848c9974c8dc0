#include "gif/codec/GIFImage.hpp"
#include "gif/codec/lzw.hpp"

namespace qt {

// B below is the first free code: after a clear, B + n - 2 is the decoder's code for a run of
// n pixels of the run's pixel, once the codes before it have defined it.

void TRLEEncoder::CompressPixels() {
  widthBumpStart_ = clearCode_ - 1;
  clearAtStart_ = minCodeSize_ <= 3 ? 9 : clearCode_ - 2;
  maxRunCodes_ = 4095 - firstFreeCode_;
  RestartRuns();
  runPixel_ = -1;
  std::int64_t c = 0;
  const std::uint8_t* p = nullptr;
  const std::uint8_t* end = nullptr;
  while (NextStretch(p, end)) {
    const std::uint8_t* valid = ValidEnd(p, end);
    for (; p < valid; ++p) {
      const int pixel = *p;
      if (pixel == runPixel_) {
        ++c;
        continue;
      }
      if (c > 0)
        FlushRun(c);
      runPixel_ = pixel;
      c = 1;
    }
    if (valid != end)
      RaiseGIFError(gif_text::kColorNotInTable);
  }
  FlushRun(c);
}

void TRLEEncoder::RestartRuns() {
  widthBumpAt_ = widthBumpStart_;
  clearAt_ = clearAtStart_;
  codesSinceClear_ = 0;
  tableRunMax_ = 0;
  TGIFEncoder::EmitClear();
  codeWidth_ = initialCodeWidth_;
}

void TRLEEncoder::EmitRunCode(int code) {
  afterClear_ = false;
  PutCode(code);
  ++codesSinceClear_;
  if (codesSinceClear_ >= widthBumpAt_) {
    ++codeWidth_;
    widthBumpAt_ += 1 << (codeWidth_ - 1);
  }
  if (codesSinceClear_ >= clearAt_)
    RestartRuns();
}

void TRLEEncoder::RestoreClearLimit() {
  clearAt_ = clearAtStart_;
  if (codesSinceClear_ >= clearAt_)
    RestartRuns();
}

std::int64_t TRLEEncoder::RunCost(std::int64_t n) const {
  const std::int64_t k = maxRunCodes_;
  const std::int64_t cycle = k * (k + 1) / 2;
  std::int64_t cost = n / cycle * k;
  const std::int64_t r = n % cycle;
  if (r > 0) {
    std::int64_t j = 0;
    while (j * (j + 1) < 2 * r)
      ++j;
    cost += j;
  }
  return cost;
}

void TRLEEncoder::FlushRun(std::int64_t c) {
  if (c <= 0)
    return;
  if (c == 1)
    EmitRunCode(runPixel_);
  else if (afterClear_)
    FlushRunAfterClear(c);
  else if (tableRunMax_ < 2 || tableRunPixel_ != runPixel_)
    FlushRunClearOrRepeat(c);
  else
    FlushRunFromTable(c);
}

void TRLEEncoder::FlushRunAfterClear(std::int64_t c) {
  const int b = firstFreeCode_;
  RaiseClearLimit();
  tableRunPixel_ = runPixel_;
  std::int64_t n = 1;
  while (c > 0) {
    if (n == 1) {
      tableRunMax_ = 1;
      EmitRunCode(runPixel_);
      c -= 1;
    } else if (c >= n) {
      tableRunMax_ = static_cast<int>(n);
      EmitRunCode(b + static_cast<int>(n) - 2);
      c -= n;
    } else if (c == 1) {
      ++tableRunMax_;
      EmitRunCode(runPixel_);
      break;
    } else {
      ++tableRunMax_;
      EmitRunCode(b + static_cast<int>(c) - 2);
      break;
    }
    n = codesSinceClear_ == 0 ? 1 : n + 1;
  }
  RestoreClearLimit();
}

void TRLEEncoder::FlushRunClearOrRepeat(std::int64_t c) {
  if (1 + RunCost(c) < c) {
    RestartRuns();
    FlushRunAfterClear(c);
  } else {
    for (std::int64_t i = 0; i < c; ++i)
      EmitRunCode(runPixel_);
  }
}

void TRLEEncoder::FlushRunFromTable(std::int64_t c) {
  const int b = firstFreeCode_;
  std::int64_t q = c / tableRunMax_;
  std::int64_t r = c % tableRunMax_;
  std::int64_t e = r > 0 ? 1 : 0;
  if (codesSinceClear_ + q + e > maxRunCodes_) {
    q = maxRunCodes_ - codesSinceClear_;
    r = c - q * tableRunMax_;
    e = 1 + RunCost(r);
  }
  if (1 + RunCost(c) < q + e) {
    RestartRuns();
    FlushRunAfterClear(c);
    return;
  }
  RaiseClearLimit();
  for (std::int64_t i = 0; i < q; ++i)
    EmitRunCode(b + tableRunMax_ - 2);
  if (r > 0) {
    if (afterClear_)
      FlushRunAfterClear(r);
    else if (r == 1)
      EmitRunCode(runPixel_);
    else
      EmitRunCode(b + static_cast<int>(r) - 2);
  }
  RestoreClearLimit();
}

} // namespace qt
