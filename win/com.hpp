#pragma once
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string_view>
#include <utility>

namespace win {

// Owns one reference to a COM interface and releases it. Copy is deleted, move transfers it.
template <class T>
class ComPtr {
public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(T* p) : p_(p) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T* release() { return std::exchange(p_, nullptr); }
  void reset(T* p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }
  // For an out-parameter that hands back a new reference.
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

  // Another interface of the same object; empty when the object does not have it.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(__uuidof(U), out.putVoid());
    return out;
  }

private:
  T* p_ = nullptr;
};

// A VARIANT cleared when it goes, which frees its text or releases its interface.
class Variant {
public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
  Variant& operator=(Variant&& o) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  static Variant Text(std::wstring_view text);
  static Variant Integer(int32_t value);
  static Variant Boolean(bool value);

  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }
  // The value converted as OLE Automation converts; 0 or false when it does not convert.
  int32_t ToInteger() const;
  bool ToBoolean() const;

private:
  VARIANT v_;
};

} // namespace win
