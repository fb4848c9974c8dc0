#pragma once
#include "win/com.hpp"

#include <windows.h>
#include <ole2.h>

#include <memory>

namespace qt {

class OleSite;

// A registered ActiveX control embedded in place in one of our windows, which it then covers.
// The window must outlive this object.
class OleControl {
public:
  // Creates the control and gives it our site; nothing when the class is not registered or the
  // object has no dispatch interface. It is not active yet, so that its properties can be set
  // first, as from stored data.
  static std::unique_ptr<OleControl> Create(const CLSID& clsid, HWND container);
  ~OleControl();
  OleControl(const OleControl&) = delete;
  OleControl& operator=(const OleControl&) = delete;

  // Activates the control in place over the container's client area.
  void Activate();
  void DoVerb(LONG verb);
  // The container's client area changed.
  void Resize();

  // Calls through the dispatch interface by dispatch identifier; failures give an empty result.
  void Put(DISPID id, win::Variant value);
  win::Variant Get(DISPID id);
  win::Variant Call(DISPID id);

private:
  OleControl(HWND container, win::ComPtr<IOleObject> object);
  win::Variant Invoke(DISPID id, WORD flags, VARIANT* arg = nullptr);

  HWND container_;
  win::ComPtr<IOleObject> object_;
  win::ComPtr<IDispatch> dispatch_;
  win::ComPtr<IOleInPlaceObject> inPlace_;
  win::ComPtr<OleSite> site_;
};

} // namespace qt
