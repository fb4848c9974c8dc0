#pragma once
#include "base/error.hpp"

namespace qt {

// Failures of the GIF codec, each with one of the codec's fixed texts.
class GIFException : public Error {
public:
  using Error::Error;
};

} // namespace qt
