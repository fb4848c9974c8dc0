// A test double of the Shockwave Flash ActiveX control, registered by the tests under its class
// identifier. It writes every call it gets, one line each, to the file that QT_TESTCONTROL_LOG
// names, and answers the queries as a fully loaded movie of ten frames would. Without that
// variable it declines to be created, so a registration left behind cannot stand in for the
// real control in another program.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <exception>
#include <string>

namespace {

constexpr CLSID kShockwaveFlashClass = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr wchar_t kLogVariable[] = L"QT_TESTCONTROL_LOG";

// The control's dispatch identifiers that the double answers.
enum : DISPID {
  kReadyState = -525,
  kTotalFrames = 124,
  kPlay = 0x70,
  kForward = 0x73,
  kRewind = 0x74,
  kCurrentFrame = 0x80,
  kIsPlaying = 0x81,
};
constexpr int32_t kFrames = 10;

LONG objects = 0;

std::wstring LogPath() {
  wchar_t path[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(kLogVariable, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::string Utf8(const wchar_t* text, int length) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

void Log(const std::string& line) {
  std::wstring path = LogPath();
  if (path.empty()) return;
  if (FILE* f = _wfopen(path.c_str(), L"ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string ValueText(const VARIANT& v) {
  switch (v.vt) {
  case VT_BSTR: return "text '" + Utf8(v.bstrVal, static_cast<int>(SysStringLen(v.bstrVal))) + "'";
  case VT_I4: return "int " + std::to_string(v.lVal);
  case VT_BOOL: return v.boolVal == VARIANT_TRUE ? "bool true" : v.boolVal == VARIANT_FALSE ? "bool false" : "bool ?";
  default: return "vt " + std::to_string(v.vt);
  }
}

// This is foreign code to its host: an exception of ours is logged, where the test sees it, and
// reported as a failure.
template <class F>
HRESULT Guarded(F&& f) {
  try {
    return f();
  } catch (const std::exception& e) {
    Log(std::string("exception ") + e.what());
  } catch (...) {
    Log("exception");
  }
  return E_UNEXPECTED;
}

class TestControl final : public IOleObject, public IOleInPlaceObject, public IDispatch {
public:
  TestControl() { InterlockedIncrement(&objects); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleObject)
      *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
      *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IDispatch)
      *out = static_cast<IDispatch*>(this);
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

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    return Guarded([&] {
      Log(site ? "site" : "site none");
      if (site) site->AddRef();
      if (site_) site_->Release();
      site_ = site;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** out) override {
    if (!out) return E_POINTER;
    *out = site_;
    if (site_) site_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    return Guarded([&] {
      Log("close");
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                   LPCRECT rect) override {
    return Guarded([&] {
      std::string line = "verb " + std::to_string(verb) + " " + (rect ? RectText(*rect) : "no rect");
      if (verb == OLEIVERB_INPLACEACTIVATE) line += ActivateInPlace(site, parent);
      Log(line);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override {
    if (!out) return E_POINTER;
    *out = kShockwaveFlashClass;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* out) override {
    if (!out) return E_POINTER;
    *out = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow and IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = window_;
    return window_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
    return Guarded([&] {
      Log("deactivate");
      if (!window_) return S_OK;
      DestroyWindow(window_);
      window_ = nullptr;
      IOleInPlaceSite* inPlace = nullptr;
      if (site_ && SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) {
        inPlace->OnInPlaceDeactivate();
        inPlace->Release();
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) override {
    return Guarded([&] {
      if (!pos || !clip) return E_POINTER;
      Log("rects " + RectText(*pos) + " clip " + RectText(*clip));
      if (window_)
        MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

  // IDispatch: by dispatch identifier only, as without a type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* out) override {
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    return Guarded([&] {
      if (!params) return E_POINTER;
      if (flags == DISPATCH_PROPERTYPUT) return Put(id, *params);
      const char* kind = flags == DISPATCH_PROPERTYGET ? "get " : flags == DISPATCH_METHOD ? "call " : nullptr;
      if (!kind) {
        Log("flags " + std::to_string(flags) + " " + std::to_string(id));
        return DISP_E_MEMBERNOTFOUND;
      }
      std::string line = kind + std::to_string(id);
      if (params->cArgs != 0) line += " with " + std::to_string(params->cArgs) + " arguments";
      Log(line);
      return flags == DISPATCH_PROPERTYGET ? Query(id, result) : Operate(id, result);
    });
  }

private:
  ~TestControl() {
    if (site_) site_->Release();
    InterlockedDecrement(&objects);
  }

  // What a site must do for an in-place activation, noted in the log as what went wrong.
  std::string ActivateInPlace(IOleClientSite* site, HWND parent) {
    IOleInPlaceSite* inPlace = nullptr;
    if (!site || FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))))
      return " no in-place site";
    std::string outcome = " in place";
    HWND siteWindow = nullptr;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    if (inPlace->CanInPlaceActivate() != S_OK)
      outcome = " refused";
    else if (FAILED(inPlace->OnInPlaceActivate()) || FAILED(inPlace->GetWindow(&siteWindow)))
      outcome = " no site window";
    else if (FAILED(inPlace->GetWindowContext(&frame, &doc, &pos, &clip, &info)) || !frame)
      outcome = " no window context";
    else {
      if (siteWindow != parent) outcome += " (site window differs)";
      window_ = CreateWindowExW(0, L"STATIC", L"test control", WS_CHILD | WS_VISIBLE, pos.left, pos.top,
                                pos.right - pos.left, pos.bottom - pos.top, siteWindow, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    if (frame) frame->Release();
    if (doc) doc->Release();
    inPlace->Release();
    return outcome;
  }

  HRESULT Put(DISPID id, const DISPPARAMS& params) {
    if (params.cArgs != 1 || params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      Log("put " + std::to_string(id) + " malformed");
      return DISP_E_PARAMNOTOPTIONAL;
    }
    Log("put " + std::to_string(id) + " " + ValueText(params.rgvarg[0]));
    return S_OK;
  }

  HRESULT Query(DISPID id, VARIANT* result) {
    if (!result) return E_POINTER;
    result->vt = VT_I4;
    if (id == kReadyState)
      result->lVal = 4;
    else if (id == kTotalFrames)
      result->lVal = kFrames;
    else {
      result->vt = VT_EMPTY;
      return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
  }

  HRESULT Operate(DISPID id, VARIANT* result) {
    switch (id) {
    case kPlay: playing_ = true; return S_OK;
    case kForward:
      playing_ = false;
      if (frame_ + 1 < kFrames) ++frame_;
      return S_OK;
    case kRewind:
      playing_ = false;
      frame_ = 0;
      return S_OK;
    case kCurrentFrame:
      if (!result) return E_POINTER;
      result->vt = VT_I4;
      result->lVal = frame_;
      return S_OK;
    case kIsPlaying:
      if (!result) return E_POINTER;
      result->vt = VT_BOOL;
      result->boolVal = playing_ ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
  }

  LONG refs_ = 1;
  IOleClientSite* site_ = nullptr;
  HWND window_ = nullptr;
  int32_t frame_ = 0;
  bool playing_ = false;
};

class Factory final : public IClassFactory {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return Guarded([&] {
      if (!out) return E_POINTER;
      *out = nullptr;
      if (outer) return CLASS_E_NOAGGREGATION;
      auto* control = new TestControl;
      HRESULT hr = control->QueryInterface(iid, out);
      control->Release();
      return hr;
    });
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&objects);
    else
      InterlockedDecrement(&objects);
    return S_OK;
  }
};

Factory factory;

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kShockwaveFlashClass || LogPath().empty()) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return objects == 0 ? S_OK : S_FALSE; }
