#include "win/com.hpp"

#include <oleauto.h>

#include <new>

namespace win {
namespace {

// Stays empty when the value does not convert.
Variant Converted(const VARIANT& from, VARTYPE type) {
  Variant out;
  VariantChangeType(out.get(), const_cast<VARIANT*>(&from), 0, type);
  return out;
}

} // namespace

Variant& Variant::operator=(Variant&& o) noexcept {
  if (this != &o) {
    VariantClear(&v_);
    v_ = o.v_;
    VariantInit(&o.v_);
  }
  return *this;
}

Variant Variant::Text(std::wstring_view text) {
  Variant v;
  v.v_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!v.v_.bstrVal) throw std::bad_alloc();
  v.v_.vt = VT_BSTR;
  return v;
}

Variant Variant::Integer(int32_t value) {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = value;
  return v;
}

Variant Variant::Boolean(bool value) {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

int32_t Variant::ToInteger() const {
  Variant i = Converted(v_, VT_I4);
  return (*i).vt == VT_I4 ? (*i).lVal : 0;
}

bool Variant::ToBoolean() const {
  Variant b = Converted(v_, VT_BOOL);
  return (*b).vt == VT_BOOL && (*b).boolVal != VARIANT_FALSE;
}

} // namespace win
