#include "flash/olesite.hpp"

#include "win/application.hpp"

#include <ocidl.h>

namespace qt {

// Our side of the embedding: client site, in-place site and frame in one object. The frame has
// no menus, tool space or status bar to offer; the document window is the frame's.
class OleSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
  OleSite(HWND window, OleControl* owner) : window_(window), owner_(owner) {}
  // The control may keep its reference after ours is gone.
  void Detach() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
      *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
      *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
      *out = static_cast<IOleInPlaceFrame*>(this);
    else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for the in-place site and the frame alike
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = this;
    AddRef();
    *doc = nullptr;
    GetClientRect(window_, pos);
    *clip = *pos;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(window_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  // The container decides the layout: the control keeps covering our window.
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override {
    return win::Fenced([&] {
      if (owner_) owner_->Resize();
      return S_OK;
    }, E_UNEXPECTED);
  }

  // IOleInPlaceUIWindow
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
    return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
  ~OleSite() = default;
  LONG refs_ = 1;
  HWND window_;
  OleControl* owner_;
};

std::unique_ptr<OleControl> OleControl::Create(const CLSID& clsid, HWND container) {
  win::ComPtr<IOleObject> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.putVoid())))
    return nullptr;
  std::unique_ptr<OleControl> control(new OleControl(container, std::move(object)));
  if (!control->dispatch_) return nullptr;
  return control;
}

OleControl::OleControl(HWND container, win::ComPtr<IOleObject> object)
    : container_(container), object_(std::move(object)), dispatch_(object_.As<IDispatch>()),
      site_(new OleSite(container, this)) {
  // Controls such as this one want their site before they initialise.
  object_->SetClientSite(site_.get());
  if (auto init = object_.As<IPersistStreamInit>()) init->InitNew();
}

OleControl::~OleControl() {
  site_->Detach();
  if (inPlace_) inPlace_->InPlaceDeactivate();
  object_->Close(OLECLOSE_NOSAVE);
  object_->SetClientSite(nullptr);
}

void OleControl::Activate() {
  OleRun(object_.get());
  DoVerb(OLEIVERB_INPLACEACTIVATE);
  inPlace_ = object_.As<IOleInPlaceObject>();
}

void OleControl::DoVerb(LONG verb) {
  RECT r;
  GetClientRect(container_, &r);
  object_->DoVerb(verb, nullptr, site_.get(), 0, container_, &r);
}

void OleControl::Resize() {
  if (!inPlace_) return;
  RECT r;
  GetClientRect(container_, &r);
  inPlace_->SetObjectRects(&r, &r);
}

win::Variant OleControl::Invoke(DISPID id, WORD flags, VARIANT* arg) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{arg, arg ? &named : nullptr, arg ? 1u : 0u, arg ? 1u : 0u};
  win::Variant result;
  dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, arg ? nullptr : result.get(),
                    nullptr, nullptr);
  return result;
}

void OleControl::Put(DISPID id, win::Variant value) { Invoke(id, DISPATCH_PROPERTYPUT, value.get()); }
win::Variant OleControl::Get(DISPID id) { return Invoke(id, DISPATCH_PROPERTYGET); }
win::Variant OleControl::Call(DISPID id) { return Invoke(id, DISPATCH_METHOD); }

} // namespace qt
