#include "host/ScreenSaver.hpp"
#include "tests/e2e/support.hpp"
#include "tests/host/test_support.hpp"
#include "win/application.hpp"
#include "win/form.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace qt;

namespace {

// ---- In the test process: the component on a form of this test ----

std::vector<std::string> events;

// Records the system commands that reach the form's own window procedure.
class THostForm : public win::TForm {
public:
  explicit THostForm(win::TComponent* owner) : TForm(owner) {
    for (const char* name : {"BeforePreview", "Preview", "BeforeMainSaver", "MainSaver", "BeforeConfigBox",
                             "ConfigBox", "BeforePasswordSet", "PasswordSet"})
      AddHandler(name, win::TNotifyEvent([this, name](win::TObject* sender) {
                   events.push_back(std::string(name) +
                                    (sender == FindComponent("Saver") ? "" : " (other sender)"));
                 }));
  }
  std::vector<WPARAM> sysCommands;

protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_SYSCOMMAND) {
      sysCommands.push_back(wp);
      return 0;
    }
    return TForm::WndProc(msg, wp, lp);
  }
};

class Component : public testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool registered = (win::RegisterComponentClass<win::TPanel>("TPanel"), true);
    (void)registered;
    static win::TApplication application;
  }
  void SetUp() override { events.clear(); }

  // A form with a panel and the component, whose lines are given; it never starts by itself, as
  // this test's command line is not a screen saver's.
  std::unique_ptr<THostForm> MakeForm(const std::string& saverLines) {
    auto form = std::make_unique<THostForm>(nullptr);
    form->ReadLayout("object F: THostForm\n"
                     "  object Panel2: TPanel\n"
                     "    Width = 100\n"
                     "    Height = 50\n"
                     "  end\n"
                     "  object Saver: TScreenSaver\n"
                     "    AutoEnable = False\n" +
                     saverLines +
                     "  end\n"
                     "end\n");
    return form;
  }
  static TScreenSaver& SaverOf(THostForm& form) {
    return dynamic_cast<TScreenSaver&>(*form.FindComponent("Saver"));
  }
};

TEST_F(Component, StartsWithItsDefaultsAndReadsEveryPropertyByName) {
  {
    TScreenSaver fresh(nullptr);
    EXPECT_EQ(fresh.mode, mPreview);
    for (bool v :
         {fresh.AutoEnable(), fresh.AutoMaximize(), fresh.AutoBorderLess(), fresh.AutoOnTop(),
          fresh.AutoMouseHide(), fresh.AutoPanelHide(), fresh.PreviewWindow(), fresh.MainScreenSaver(),
          fresh.ConfigurationBox(), fresh.SystemKeysDisabled(), fresh.PasswordSetting()})
      EXPECT_TRUE(v);
    EXPECT_EQ(fresh.ConfigurationBoxStyle(), cbsMessageDlg);
    EXPECT_EQ(fresh.ConfigurationBoxPanel(), nullptr);
    EXPECT_FALSE(fresh.ConfigurationBoxMessage().empty());
  }

  auto form = MakeForm("    mode = mPassword\n"
                       "    AutoMaximize = False\n"
                       "    AutoBorderLess = False\n"
                       "    AutoOnTop = False\n"
                       "    AutoMouseHide = False\n"
                       "    AutoPanelHide = False\n"
                       "    PreviewWindow = False\n"
                       "    MainScreenSaver = False\n"
                       "    ConfigurationBox = False\n"
                       "    ConfigurationBoxStyle = cbsPanel\n"
                       "    ConfigurationBoxPanel = Panel2\n"
                       "    ConfigurationBoxMessage = 'abc'\n"
                       "    SystemKeysDisabled = False\n"
                       "    PasswordSetting = False\n"
                       "    OnPreviewActive = Preview\n"
                       "    OnMainSaverActive = MainSaver\n"
                       "    OnConfigBoxActive = ConfigBox\n"
                       "    OnPasswordSet = PasswordSet\n"
                       "    OnBeforePreviewActive = BeforePreview\n"
                       "    OnBeforeMainSaverActive = BeforeMainSaver\n"
                       "    OnBeforeConfigBoxActive = BeforeConfigBox\n"
                       "    OnBeforePasswordSet = BeforePasswordSet\n");
  TScreenSaver& saver = SaverOf(*form);
  EXPECT_EQ(saver.mode, mPassword);
  for (bool v : {saver.AutoEnable(), saver.AutoMaximize(), saver.AutoBorderLess(), saver.AutoOnTop(),
                 saver.AutoMouseHide(), saver.AutoPanelHide(), saver.PreviewWindow(), saver.MainScreenSaver(),
                 saver.ConfigurationBox(), saver.SystemKeysDisabled(), saver.PasswordSetting()})
    EXPECT_FALSE(v);
  EXPECT_EQ(saver.ConfigurationBoxStyle(), cbsPanel);
  EXPECT_EQ(saver.ConfigurationBoxPanel(), form->FindComponent("Panel2"));
  EXPECT_EQ(saver.ConfigurationBoxMessage(), "abc");

  // With every set-up switched off, each activation only fires its two events.
  saver.ActivatePreview();
  saver.ActivateMainSaver();
  saver.ActivateConfigBox();
  saver.ActivatePasswordSetting();
  EXPECT_EQ(events,
            (std::vector<std::string>{"BeforePreview", "Preview", "BeforeMainSaver", "MainSaver",
                                      "BeforeConfigBox", "ConfigBox", "BeforePasswordSet", "PasswordSet"}));
}

TEST_F(Component, KeepsOnlyAPanelOfItsOwnFormAsTheSettingsPanel) {
  const struct {
    const char* lines;
    bool kept;
    bool panelVisible;
  } cases[] = {
      {"    ConfigurationBoxPanel = Panel2\n", true, false},
      {"    ConfigurationBoxPanel = Panel2\n    AutoPanelHide = False\n", true, true},
      {"    ConfigurationBoxPanel = F\n", false, true}, // the form: a control, but no panel
      {"", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    auto form = MakeForm("    ConfigurationBoxStyle = cbsPanel\n" + std::string(c.lines));
    TScreenSaver& saver = SaverOf(*form);
    auto* panel = dynamic_cast<win::TPanel*>(form->FindComponent("Panel2"));
    EXPECT_EQ(saver.ConfigurationBoxStyle(), c.kept ? cbsPanel : cbsMessageDlg);
    EXPECT_EQ(saver.ConfigurationBoxPanel(), c.kept ? panel : nullptr);
    EXPECT_EQ(panel->Visible(), c.panelVisible);
  }

  // A panel of another form.
  auto form = MakeForm("");
  win::TForm other(nullptr);
  auto* foreign = new win::TPanel(&other);
  TScreenSaver& saver = SaverOf(*form);
  saver.SetConfigurationBoxStyle(cbsPanel);
  saver.SetConfigurationBoxPanel(foreign);
  saver.Loaded();
  EXPECT_EQ(saver.ConfigurationBoxStyle(), cbsMessageDlg);
  EXPECT_EQ(saver.ConfigurationBoxPanel(), nullptr);
  EXPECT_TRUE(foreign->Visible());
}

TEST_F(Component, AutoMouseHideChangesTheCursorOncePerChange) {
  auto form = MakeForm("");
  TScreenSaver& saver = SaverOf(*form);
  const int start = CursorCount();
  const struct {
    bool value;
    int count; // relative to the start
  } steps[] = {{true, 0}, {false, 1}, {false, 1}, {true, 0}, {true, 0}, {false, 1}};
  for (const auto& step : steps) {
    saver.SetAutoMouseHide(step.value);
    EXPECT_EQ(CursorCount() - start, step.count) << "after setting " << step.value;
  }
}

TEST_F(Component, HookSwallowsOnlyTheExactScreenSaveCommandUntilRemoved) {
  auto form = MakeForm("");
  TScreenSaver& saver = SaverOf(*form);
  HWND window = form->Handle();
  const LONG_PTR original = GetWindowLongPtrW(window, GWLP_WNDPROC);

  saver.HookWindowProc();
  EXPECT_NE(GetWindowLongPtrW(window, GWLP_WNDPROC), original);
  for (WPARAM command : {WPARAM{SC_SCREENSAVE}, WPARAM{SC_SCREENSAVE + 1}, WPARAM{SC_CLOSE}})
    EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, command, 0), 0);
  EXPECT_EQ(form->sysCommands, (std::vector<WPARAM>{SC_SCREENSAVE + 1, SC_CLOSE}));

  saver.UnhookWindowProc();
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), original);
  SendMessageW(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  EXPECT_EQ(form->sysCommands.back(), WPARAM{SC_SCREENSAVE});
}

// ---- The stand-in player as Windows starts a screen saver ----

constexpr auto kTimeout = std::chrono::seconds(5);

// Wine shows the Unix root as drive Z:.
std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p)
    path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

std::wstring SystemFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name;
}

std::wstring Number(HWND h) { return std::to_wstring(reinterpret_cast<INT_PTR>(h)); }

// Handles this thread's messages while it waits: the stand-in sends messages to the test's
// windows (enabling, activation, destruction of its children).
bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Makes the window the foreground window and waits until it stays so: the window that loses the
// foreground may still hand it on to the desktop when it hears of its loss.
bool TakeForeground(HWND window) {
  auto since = std::chrono::steady_clock::now();
  return WaitUntil([&] {
    if (GetForegroundWindow() != window) {
      SetForegroundWindow(window);
      since = std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::now() - since > std::chrono::milliseconds(300);
  });
}

win::UniqueWindow MakeWindow(const wchar_t* caption, DWORD style, HWND parent, int x, int y, int width,
                             int height) {
  static const ATOM windowClass = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QtHostTestWindow";
    return RegisterClassW(&wc);
  }();
  return win::UniqueWindow(CreateWindowExW(0, MAKEINTATOM(windowClass), caption, style, x, y, width, height,
                                           parent, nullptr, GetModuleHandleW(nullptr), nullptr));
}

// One line of the stand-in's log: a word, then key=value fields.
struct Record {
  std::string kind;
  std::map<std::string, std::string> fields;

  long long Int(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? -999999 : std::stoll(it->second);
  }
  HWND Window(const std::string& key) const { return reinterpret_cast<HWND>(static_cast<INT_PTR>(Int(key))); }
  std::string Text(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? "(none)" : it->second;
  }
};

Record ParseRecord(const std::string& line) {
  std::istringstream in(line);
  Record r;
  in >> r.kind;
  for (std::string field; in >> field;) {
    size_t eq = field.find('=');
    if (eq != std::string::npos) r.fields[field.substr(0, eq)] = field.substr(eq + 1);
  }
  return r;
}

struct StandinOptions {
  const wchar_t* layout = L"STANDIN";
  const wchar_t* answers = L""; // of the test PASSWORD.CPL
};

// One run of the stand-in player with the given arguments and its log; ended by force if a test
// leaves it running.
class Standin {
public:
  explicit Standin(const std::wstring& arguments, StandinOptions options = {}) {
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"qth", 0, name);
    log_ = name;
    SetEnvironmentVariableW(L"SAVER_TEST_LOG", name);
    SetEnvironmentVariableW(L"SAVER_TEST_LAYOUT", options.layout);
    SetEnvironmentVariableW(L"SAVER_TEST_ANSWERS", options.answers);
    const std::wstring program = WindowsPath(QT_STANDIN);
    if (!e2e::StartProcess(program, L"\"" + program + L"\" " + arguments, process_))
      ADD_FAILURE() << "cannot start the stand-in, error " << GetLastError();
    win::UniqueHandle thread(process_.hThread);
  }
  ~Standin() {
    if (Running()) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    win::UniqueHandle process(process_.hProcess);
    std::error_code ignored;
    std::filesystem::remove(log_, ignored);
  }
  Standin(const Standin&) = delete;
  Standin& operator=(const Standin&) = delete;

  bool Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
  }
  bool WaitForExit() const {
    return WaitUntil([&] { return !Running(); });
  }

  std::vector<Record> All(const std::string& kind) const {
    std::vector<Record> found;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);)
      if (Record r = ParseRecord(line); r.kind == kind) found.push_back(r);
    return found;
  }
  // The index-th record of that kind, once it is there.
  std::optional<Record> Wait(const std::string& kind, size_t index = 0) const {
    std::optional<Record> record;
    auto look = [&] {
      std::vector<Record> found = All(kind);
      if (found.size() > index) record = found[index];
      return record.has_value();
    };
    // A last look after the process ended: it may have written the line just before.
    if (!WaitUntil([&] { return look() || !Running(); }) || (!record && !look()))
      ADD_FAILURE() << "no record \"" << kind << "\" #" << index << " in the log:\n" << Contents();
    return record;
  }
  // A top-level window of this process with that class.
  HWND TopLevelWindow(const wchar_t* className) const {
    WindowSearch search{process_.dwProcessId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

private:
  std::string Contents() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
  };
  static BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD processId = 0;
    wchar_t name[64] = L"";
    GetWindowThreadProcessId(window, &processId);
    GetClassNameW(window, name, 64);
    if (processId != search.processId || wcscmp(name, search.className) != 0) return TRUE;
    search.found = window;
    return FALSE;
  }

  std::filesystem::path log_;
  PROCESS_INFORMATION process_{};
};

BOOL CALLBACK AddText(HWND window, LPARAM texts) {
  wchar_t text[256] = L"";
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      &length);
  reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
  return TRUE;
}

std::vector<std::wstring> ChildTexts(HWND parent) {
  std::vector<std::wstring> texts;
  EnumChildWindows(parent, AddText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

bool OwnStyle(HWND window, LONG_PTR bits) { return (GetWindowLongPtrW(window, GWL_STYLE) & bits) == bits; }

struct RegistryValue {
  DWORD type;
  std::vector<BYTE> data;
};

std::optional<RegistryValue> ReadRegistryValue(const wchar_t* key, const wchar_t* name) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return {};
  win::UniqueKey opened(raw);
  RegistryValue value{0, std::vector<BYTE>(1024)};
  DWORD size = static_cast<DWORD>(value.data.size());
  if (RegQueryValueExW(opened.get(), name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS)
    return {};
  value.data.resize(size);
  return value;
}

// No value deletes it.
void WriteRegistryValue(const wchar_t* key, const wchar_t* name, const std::optional<RegistryValue>& value) {
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr),
            ERROR_SUCCESS);
  win::UniqueKey opened(raw);
  if (value)
    RegSetValueExW(opened.get(), name, 0, value->type, value->data.data(),
                   static_cast<DWORD>(value->data.size()));
  else
    RegDeleteValueW(opened.get(), name);
}

RegistryValue TextValue(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

// The order of the values in SetUsePassword.
enum class UsePassword { Missing, Dword0, Dword1, String1 };

constexpr const wchar_t* kDesktop = L"Control Panel\\Desktop";
constexpr const wchar_t* kUsePassword = L"ScreenSaveUsePassword";

// Stands in for the system's "Display Properties" window and records what is done to it.
class DisplayProperties {
public:
  DisplayProperties() {
    static const ATOM windowClass = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QtHostTestDisplayProperties";
      return RegisterClassW(&wc);
    }();
    window_.reset(CreateWindowExW(0, MAKEINTATOM(windowClass), L"Display Properties",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), this));
  }
  DisplayProperties(const DisplayProperties&) = delete;
  DisplayProperties& operator=(const DisplayProperties&) = delete;

  HWND Handle() const { return window_.get(); }

  // "disabled", "enabled", "activated" and "deactivated", as they happen.
  std::vector<std::string> events;

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    if (auto* self = reinterpret_cast<DisplayProperties*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
      if (msg == WM_ENABLE) self->events.push_back(wp ? "enabled" : "disabled");
      if (msg == WM_ACTIVATE) self->events.push_back(LOWORD(wp) == WA_INACTIVE ? "deactivated" : "activated");
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  win::UniqueWindow window_;
};

using Events = std::vector<std::string>;

// The tests put the password libraries into the system folder, let the stand-in load the MPR.DLL
// found there rather than Wine's own, and set the password switch in the registry; all of it is
// put back afterwards.
class SaverProcess : public testing::Test {
protected:
  static void SetUpTestSuite() {
    // Wine takes the overrides in WINEDLLOVERRIDES from the environment it was started in, not
    // from the one a program passes on, so the stand-in gets its own in the registry.
    WriteRegistryValue(OverridesKey().c_str(), L"mpr", TextValue(L"native,builtin"));
    // A copy saved by a run that did not finish is the system's own; keep it.
    CopyFileW(SystemFile(L"mpr.dll").c_str(), SystemFile(L"mpr.dll.qt-saved").c_str(), TRUE);
    ASSERT_TRUE(CopyFileW(WindowsPath(QT_TEST_MPR).c_str(), SystemFile(L"MPR.DLL").c_str(), FALSE));
    savedUsePassword_ = ReadRegistryValue(kDesktop, kUsePassword);
  }
  static void TearDownTestSuite() {
    if (!MoveFileExW(SystemFile(L"mpr.dll.qt-saved").c_str(), SystemFile(L"mpr.dll").c_str(),
                     MOVEFILE_REPLACE_EXISTING))
      DeleteFileW(SystemFile(L"MPR.DLL").c_str());
    DeleteFileW(SystemFile(L"PASSWORD.CPL").c_str());
    WriteRegistryValue(kDesktop, kUsePassword, savedUsePassword_);
    RegDeleteKeyW(HKEY_CURRENT_USER, OverridesKey().c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER,
                  (L"Software\\Wine\\AppDefaults\\" + StandinFile().filename().wstring()).c_str());
  }

  void SetUp() override {
    SetUsePassword(UsePassword::Missing);
    InstallPasswordLibrary(true);
    witness_ = MakeWindow(L"Witness", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 600, 500, 200, 100);
    SetForegroundWindow(witness_.get());
  }

  static std::filesystem::path StandinFile() { return QT_STANDIN; }
  static std::wstring OverridesKey() {
    return L"Software\\Wine\\AppDefaults\\" + StandinFile().filename().wstring() + L"\\DllOverrides";
  }

  static void InstallPasswordLibrary(bool present) {
    if (present)
      ASSERT_TRUE(
          CopyFileW(WindowsPath(QT_TEST_PASSWORD).c_str(), SystemFile(L"PASSWORD.CPL").c_str(), FALSE));
    else
      DeleteFileW(SystemFile(L"PASSWORD.CPL").c_str());
  }

  static void SetUsePassword(UsePassword use) {
    const std::optional<RegistryValue> values[] = {
        std::nullopt,
        RegistryValue{REG_DWORD, {0, 0, 0, 0}},
        RegistryValue{REG_DWORD, {1, 0, 0, 0}},
        TextValue(L"1"),
    };
    WriteRegistryValue(kDesktop, kUsePassword, values[static_cast<int>(use)]);
  }

  // Made the foreground window before the stand-in starts.
  win::UniqueWindow witness_;

private:
  static inline std::optional<RegistryValue> savedUsePassword_;
};

TEST_F(SaverProcess, PreviewBecomesAChildOfTheHostWindowAndEndsWithIt) {
  win::UniqueWindow frame =
      MakeWindow(L"Preview frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 50, 50, 400, 300);
  win::UniqueWindow host = MakeWindow(L"", WS_CHILD | WS_VISIBLE | WS_BORDER, frame.get(), 30, 40, 152, 112);
  Standin saver(L"/p " + Number(host.get()));
  auto created = saver.Wait("create");
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Int("mode"), mPreview);
  HWND form = created->Window("form");
  EXPECT_EQ(GetParent(form), host.get());
  // The host's style and two more bits; the system adds WS_CLIPSIBLINGS to every top-level window,
  // as the form still was then.
  EXPECT_EQ(GetWindowLongPtrW(form, GWL_STYLE) & ~WS_CLIPSIBLINGS,
            (GetWindowLongPtrW(host.get(), GWL_STYLE) | WS_CHILD | WS_DISABLED) & ~WS_CLIPSIBLINGS);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }));
  // At the top left of the host's client area, with the host's outer size.
  RECT hostRect, formRect;
  GetWindowRect(host.get(), &hostRect);
  GetWindowRect(form, &formRect);
  POINT origin{0, 0};
  ClientToScreen(host.get(), &origin);
  EXPECT_EQ(formRect.left, origin.x);
  EXPECT_EQ(formRect.top, origin.y);
  EXPECT_EQ(formRect.right - formRect.left, hostRect.right - hostRect.left);
  EXPECT_EQ(formRect.bottom - formRect.top, hostRect.bottom - hostRect.top);
  HWND application = FindWindowW(L"QtApplication", StandinFile().stem().wstring().c_str());
  EXPECT_TRUE(GetWindowLongPtrW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(application));

  host.reset();
  EXPECT_TRUE(saver.WaitForExit());
}

TEST_F(SaverProcess, PreviewWithTheHandleJoinedToTheSwitchStaysOnItsOwn) {
  Standin saver(L"/p:1234");
  auto created = saver.Wait("create");
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Int("mode"), mPreview);
  HWND form = created->Window("form");
  EXPECT_EQ(GetAncestor(form, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(OwnStyle(form, WS_CHILD));
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(saver.WaitForExit());
}

TEST_F(SaverProcess, RunCoversTheScreenOnTopAndKeepsTheSystemSaverAway) {
  Standin saver(L"/s");
  auto created = saver.Wait("create");
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Int("mode"), mRun);
  // Wine keeps this switch for the process that set it, so the stand-in reports what it sees.
  EXPECT_EQ(created->Int("running"), 1);
  EXPECT_EQ(created->Int("cursor"), -1);
  HWND form = created->Window("form");
  RECT r{};
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  // The maximised state shows in the style before the window is moved.
  WaitUntil([&] { return GetWindowRect(form, &r) && EqualRect(&r, &screen); });
  EXPECT_TRUE(IsZoomed(form));
  EXPECT_EQ(GetWindowLongPtrW(form, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_TRUE(GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, screen.right);
  EXPECT_EQ(r.bottom, screen.bottom);

  for (auto [command, reply] : {std::pair<WPARAM, LRESULT>{SC_SCREENSAVE, 0},
                                std::pair<WPARAM, LRESULT>{SC_SCREENSAVE + 1, kScreenSaveReachedForm}}) {
    DWORD_PTR result = 1;
    EXPECT_TRUE(SendMessageTimeoutW(form, WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG, 3000, &result));
    EXPECT_EQ(static_cast<LRESULT>(result), reply) << std::hex << command;
  }

  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(saver.WaitForExit());
  auto exited = saver.Wait("exit");
  ASSERT_TRUE(exited);
  EXPECT_EQ(exited->Int("running"), 0);
}

TEST_F(SaverProcess, SettingsShowOnlyTheirPanelAndHoldDisplayPropertiesWhileOpen) {
  const struct {
    const wchar_t* arguments;
    bool fromDisplayProperties;
  } cases[] = {{L"/c", true}, {L"/c:1234", true}, {L"/x", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments);
    DisplayProperties displayProperties;
    ASSERT_TRUE(TakeForeground(witness_.get()));
    displayProperties.events.clear();
    Standin saver(c.arguments);
    auto created = saver.Wait("create");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Int("mode"), mConfig);
    HWND form = created->Window("form");
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }));
    const Events& events = displayProperties.events;
    if (c.fromDisplayProperties) {
      WaitUntil([&] { return events.size() >= 2; });
      EXPECT_EQ(Events(events.begin(), events.begin() + std::min<size_t>(events.size(), 2)),
                (Events{"disabled", "activated"}));
    } else {
      EXPECT_EQ(events, Events{});
    }

    HWND panel = created->Window("Panel2");
    EXPECT_TRUE(OwnStyle(panel, WS_VISIBLE));
    EXPECT_FALSE(OwnStyle(created->Window("Panel3"), WS_VISIBLE));
    EXPECT_FALSE(OwnStyle(created->Window("Inner"), WS_VISIBLE)); // inside the settings panel, but a panel
    RECT client, panelRect;
    GetClientRect(form, &client);
    GetWindowRect(panel, &panelRect);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&panelRect), 2);
    EXPECT_EQ(panelRect.left, 0);
    EXPECT_EQ(panelRect.top, 0);
    EXPECT_EQ(client.right, panelRect.right);
    EXPECT_EQ(client.bottom, panelRect.bottom);
    EXPECT_TRUE(OwnStyle(form, WS_CAPTION));

    PostMessageW(form, WM_CLOSE, 0, 0);
    ASSERT_TRUE(saver.WaitForExit());
    EXPECT_TRUE(IsWindowEnabled(displayProperties.Handle()));
    EXPECT_EQ(std::count(events.begin(), events.end(), "enabled"), c.fromDisplayProperties ? 1 : 0);
  }
}

TEST_F(SaverProcess, SettingsFallBackToTheMessageWhenThePanelIsNoPanelOfTheForm) {
  DisplayProperties displayProperties;
  ASSERT_TRUE(TakeForeground(witness_.get()));
  displayProperties.events.clear();
  Standin saver(L"/c", {.layout = L"NOPANEL"});
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = saver.TopLevelWindow(L"#32770")) != nullptr; }));
  // Its controls follow the box's own window.
  EXPECT_TRUE(WaitUntil([&] {
    std::vector<std::wstring> texts = ChildTexts(box);
    return std::find(texts.begin(), texts.end(), L"abc") != texts.end();
  })) << "no text abc in the box";
  EXPECT_EQ(displayProperties.events, Events{"disabled"});
  // The form waits off the screen, to the left.
  RECT r;
  GetWindowRect(saver.TopLevelWindow(L"QtForm"), &r);
  EXPECT_EQ(r.left, -(r.right - r.left) - 100);

  PostMessageW(box, WM_COMMAND, IDOK, 0);
  auto created = saver.Wait("create");
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Int("mode"), mConfig);
  EXPECT_TRUE(saver.WaitForExit()); // by itself
  const Events& events = displayProperties.events;
  WaitUntil([&] { return events.size() >= 3; });
  EXPECT_EQ(Events(events.begin(), events.begin() + std::min<size_t>(events.size(), 3)),
            (Events{"disabled", "enabled", "activated"}));
}

TEST_F(SaverProcess, PasswordModeOpensTheSystemsDialogAndEnds) {
  const struct {
    const wchar_t* arguments;
    const char* parent;
  } cases[] = {{L"/a 1234", "1234"}, {L"/a", "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments);
    Standin saver(c.arguments);
    ASSERT_TRUE(saver.WaitForExit());
    auto created = saver.Wait("create");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Int("mode"), mPassword);
    auto calls = saver.All("PwdChangePasswordA");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Text("key"), "SCRSAVE");
    EXPECT_EQ(calls[0].Text("parent"), c.parent);
    EXPECT_EQ(calls[0].Int("reserved1"), 0);
    EXPECT_EQ(calls[0].Int("reserved2"), 0);
  }
}

TEST_F(SaverProcess, ClosingAsksForThePasswordOnlyWhenOneIsInForce) {
  const struct {
    const wchar_t* arguments;
    UsePassword use;
    bool library;
    const wchar_t* answers;
    std::vector<bool> closes; // what each close request gets
    bool asks;
  } cases[] = {
      // 'h' is a nonzero answer whose low byte is zero: a refusal.
      {L"/s", UsePassword::Dword1, true, L"0h1", {false, false, true}, true},
      {L"/s", UsePassword::Dword0, true, L"0", {true}, false},
      {L"/s", UsePassword::Missing, true, L"0", {true}, false},
      {L"/s", UsePassword::String1, true, L"0", {true}, false},
      {L"/s", UsePassword::Dword1, false, L"0", {true}, false},
      {L"DEMO1", UsePassword::Dword1, true, L"0", {true}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments << " use " << static_cast<int>(c.use) << " library "
                                    << c.library);
    SetUsePassword(c.use);
    InstallPasswordLibrary(c.library);
    Standin saver(c.arguments, {.answers = c.answers});
    auto created = saver.Wait("create");
    ASSERT_TRUE(created);
    HWND form = created->Window("form");
    const long long hidden = created->Int("cursor");
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == form; }));
    for (size_t i = 0; i < c.closes.size(); ++i) {
      ASSERT_TRUE(TakeForeground(witness_.get()));
      PostMessageW(form, WM_CLOSE, 0, 0);
      auto query = saver.Wait("closequery", i);
      ASSERT_TRUE(query);
      EXPECT_EQ(query->Int("can"), c.closes[i] ? 1 : 0) << "close " << i;
      // Shown for the dialog, and hidden again when the screen saver goes on.
      EXPECT_EQ(query->Int("cursor"), c.closes[i] ? hidden + 1 : hidden) << "close " << i;
    }
    ASSERT_TRUE(saver.WaitForExit());
    auto verifies = saver.All("VerifyScreenSavePwd");
    EXPECT_EQ(verifies.size(), c.asks ? c.closes.size() : 0u);
    for (size_t i = 0; i < verifies.size(); ++i)
      EXPECT_EQ(verifies[i].Window("parent"), witness_.get()) << "question " << i << ", form " << form;
    EXPECT_EQ(saver.All("attach").size(), c.asks ? c.closes.size() : 0u) << "PASSWORD.CPL loaded";
  }
}

} // namespace
