#pragma once

namespace qt {

// Set for a scope; cleared however the scope ends.
class FlagScope {
public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  ~FlagScope() { flag_ = false; }

private:
  bool& flag_;
};

} // namespace qt
