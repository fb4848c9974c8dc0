#include "win/application.hpp"
#include "win/comctrls.hpp"
#include "win/form.hpp"
#include "win/stdctrls.hpp"
#include "win/timer.hpp"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

using namespace win;

namespace {

std::vector<std::string> events;

void Record(const std::string& what, TObject* sender) {
  events.push_back(what + " " + dynamic_cast<TComponent*>(sender)->Name());
}

class TTestForm : public TForm {
public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    AddHandler("BoxClick", TNotifyEvent([](TObject* s) { Record("click", s); }));
    AddHandler("ButtonClick", TNotifyEvent([](TObject* s) { Record("click", s); }));
    AddHandler("PagesChange", TNotifyEvent([](TObject* s) { Record("change", s); }));
    AddHandler("Tick", TNotifyEvent([](TObject* s) { Record("tick", s); }));
  }
  template <class T>
  T& Get(const char* name) {
    auto* c = dynamic_cast<T*>(FindComponent(name));
    if (!c) throw std::runtime_error(std::string("no ") + name);
    return *c;
  }
};

// One control of each kind, events bound last as layouts write them.
const char* kLayout = reinterpret_cast<const char*>(u8R"(object Form1: TTestForm
  ClientWidth = 500
  ClientHeight = 300
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 240
    Height = 300
    BevelOuter = bvNone
    Color = clTeal
    object Box1: TCheckBox
      Left = 10
      Top = 10
      Width = 200
      Height = 17
      Caption = '自动跳过停顿'
      Checked = True
      Color = clMoneyGreen
      OnClick = BoxClick
    end
    object Box2: TCheckBox
      Left = 10
      Top = 40
      Width = 200
      Height = 17
      Caption = '鼠标移动不退出'
      Hint = '移动鼠标'
      ShowHint = True
      OnClick = BoxClick
    end
    object Spin1: TSpinEdit
      Left = 10
      Top = 70
      Width = 44
      Height = 21
      MaxLength = 4
      MinValue = 5
      MaxValue = 1440
      Value = 30
    end
    object Label1: TLabel
      Left = 60
      Top = 74
      Width = 40
      Height = 12
      Caption = '分钟后'
      Transparent = True
    end
    object Button1: TSpeedButton
      Left = 10
      Top = 100
      Width = 75
      Height = 25
      Caption = '确定'
      Flat = True
      OnClick = ButtonClick
    end
  end
  object Pages: TPageControl
    Left = 250
    Top = 0
    Width = 240
    Height = 200
    ActivePage = Sheet2
    OnChange = PagesChange
    object Sheet1: TTabSheet
      Caption = '屏保设置'
    end
    object Sheet2: TTabSheet
      Caption = '关于屏保'
    end
  end
  object Timer1: TTimer
    Interval = 20
    OnTimer = Tick
  end
  object Timer2: TTimer
    Enabled = False
    Interval = 20
    OnTimer = Tick
  end
end
)");

class Controls : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static TApplication app;
    RegisterStandardControls();
  }
  void SetUp() override {
    events.clear();
    form.ReadLayout(kLayout);
    form.Show();
    events.clear();
  }
  int Count(const std::string& event) const { return static_cast<int>(std::count(events.begin(), events.end(), event)); }
  // Pumps messages until the predicate holds or a generous time has passed.
  template <class P>
  bool PumpUntil(P done, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
      Application->ProcessMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
  }
  // The colour the control's background leaves at one of its points.
  static COLORREF BackgroundPixel(TControl& c, int x, int y) {
    MemoryBitmap surface(c.Width(), c.Height());
    FillSolid(surface.Dc(), RECT{0, 0, c.Width(), c.Height()}, clBlack);
    SendMessageW(c.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.Dc()), 0);
    return GetPixel(surface.Dc(), x, y);
  }
  static std::wstring TabText(TPageControl& pc, int index) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(pc.Handle(), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  TTestForm form{nullptr};
};

} // namespace

TEST_F(Controls, LayoutSetsEachControl) {
  auto& box1 = form.Get<TCheckBox>("Box1");
  auto& box2 = form.Get<TCheckBox>("Box2");
  EXPECT_TRUE(box1.Checked());
  EXPECT_EQ(SendMessageW(box1.Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(box2.Checked());

  auto& spin = form.Get<TSpinEdit>("Spin1");
  EXPECT_EQ(spin.Text(), "30");
  EXPECT_EQ(spin.Value(), 30);
  EXPECT_EQ(SendMessageW(spin.Handle(), EM_GETLIMITTEXT, 0, 0), 4);

  auto& pages = form.Get<TPageControl>("Pages");
  auto& sheet1 = form.Get<TTabSheet>("Sheet1");
  auto& sheet2 = form.Get<TTabSheet>("Sheet2");
  ASSERT_EQ(pages.PageCount(), 2);
  EXPECT_EQ(TabText(pages, 0), L"屏保设置");
  EXPECT_EQ(TabText(pages, 1), L"关于屏保");
  EXPECT_EQ(pages.ActivePage(), &sheet2);
  EXPECT_EQ(pages.ActivePageIndex(), 1);
  EXPECT_EQ(SendMessageW(pages.Handle(), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(IsWindowVisible(sheet2.Handle()));
  EXPECT_FALSE(IsWindowVisible(sheet1.Handle()));
  // The sheet covers the display area below the tabs.
  EXPECT_GT(sheet2.Top(), 0);
  EXPECT_GT(sheet2.Width(), 200);
  EXPECT_LT(sheet2.Top() + sheet2.Height(), 200);

  EXPECT_TRUE(form.Get<TTimer>("Timer1").Enabled());
  EXPECT_EQ(form.Get<TTimer>("Timer1").Interval(), 20u);
  EXPECT_FALSE(form.Get<TTimer>("Timer2").Enabled());
}

TEST_F(Controls, CheckBoxRunsOnClickForEachChangeFromCodeOrUser) {
  struct Case {
    const char* box;
    const char* action;
    bool checkedAfter;
    int clicks;
  } cases[] = {
      {"Box1", "set True", true, 0},  {"Box1", "set False", false, 1}, {"Box2", "set True", true, 1},
      {"Box2", "user", false, 1},     {"Box2", "user", true, 1},       {"Box1", "set False", false, 0},
  };
  for (const auto& c : cases) {
    auto& box = form.Get<TCheckBox>(c.box);
    events.clear();
    std::string action = c.action;
    if (action == "user")
      SendMessageW(box.Handle(), BM_CLICK, 0, 0);
    else
      box.SetChecked(action == "set True");
    SCOPED_TRACE(std::string(c.box) + " " + action);
    EXPECT_EQ(box.Checked(), c.checkedAfter);
    EXPECT_EQ(SendMessageW(box.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED, c.checkedAfter);
    EXPECT_EQ(Count(std::string("click ") + c.box), c.clicks);
    EXPECT_EQ(static_cast<int>(events.size()), c.clicks);
  }
}

// The hint's text as the program's tool tip window holds it for the control; empty when it holds none.
std::wstring ToolTipText(HWND control) {
  HWND tip = FindWindowW(TOOLTIPS_CLASSW, nullptr);
  if (!tip) return L"(no tip window)";
  wchar_t text[80] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = control;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
  return text;
}

TEST_F(Controls, AHintShowsInAToolTipWhileShowHintIsOn) {
  auto& box = form.Get<TCheckBox>("Box2");
  EXPECT_EQ(ToolTipText(box.Handle()), L"移动鼠标");
  box.SetHint("新的提示");
  EXPECT_EQ(ToolTipText(box.Handle()), L"新的提示");
  box.SetShowHint(false);
  EXPECT_EQ(ToolTipText(box.Handle()), L"");
  EXPECT_EQ(ToolTipText(form.Get<TCheckBox>("Box1").Handle()), L"") << "no hint, no tip";
  // The control keeps its window procedure, by which its parent hands it its notifications (the
  // user clicks of the check box test rely on it).
  box.SetShowHint(true);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box.Handle(), GWLP_WNDPROC)), ControlWindowProc);
}

TEST_F(Controls, CheckBoxIsPaintedInItsColour) {
  auto& box = form.Get<TCheckBox>("Box1");
  MemoryBitmap surface(box.Width(), box.Height());
  FillSolid(surface.Dc(), RECT{0, 0, box.Width(), box.Height()}, clBlack);
  SendMessageW(box.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.Dc()), PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(GetPixel(surface.Dc(), box.Width() - 2, box.Height() / 2), ColorToRGB(clMoneyGreen));
}

TEST_F(Controls, SpinEditClampsSetValuesButKeepsTypedText) {
  auto& spin = form.Get<TSpinEdit>("Spin1");
  struct Case {
    int set;
    const char* text;
  } clamps[] = {{2, "5"}, {5000, "1440"}, {5, "5"}, {1440, "1440"}, {30, "30"}};
  for (const auto& c : clamps) {
    spin.SetValue(c.set);
    EXPECT_EQ(spin.Text(), c.text) << c.set;
  }
  struct Typed {
    const wchar_t* text;
    int value;
  } typed[] = {{L"abc", 5}, {L"", 5}, {L"9999", 9999}, {L"2", 2}, {L"12x", 5}, {L"+30", 30}, {L" 30", 30}, {L"$1E", 30}};
  for (const auto& t : typed) {
    SetWindowTextW(spin.Handle(), t.text);
    EXPECT_EQ(spin.Value(), t.value);
  }
  SetWindowTextW(spin.Handle(), L"abc");
  EXPECT_EQ(spin.Text(), "abc");
}

TEST_F(Controls, SpinEditArrowsStepByOneWithinTheRange) {
  auto& spin = form.Get<TSpinEdit>("Spin1");
  HWND arrows = FindWindowExW(spin.Handle(), nullptr, UPDOWN_CLASSW, nullptr);
  ASSERT_TRUE(arrows);
  RECT r;
  GetClientRect(arrows, &r);
  auto press = [&](bool up) {
    LPARAM at = MAKELPARAM(r.right / 2, up ? 1 : r.bottom - 2);
    SendMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(arrows, WM_LBUTTONUP, 0, at);
  };
  press(true);
  EXPECT_EQ(spin.Text(), "31");
  press(false);
  press(false);
  EXPECT_EQ(spin.Text(), "29");
  spin.SetValue(1440);
  press(true);
  EXPECT_EQ(spin.Text(), "1440");
  spin.SetValue(5);
  press(false);
  EXPECT_EQ(spin.Text(), "5");
  SendMessageW(spin.Handle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(spin.Text(), "6");
}

TEST_F(Controls, PageControlShowsTheTabTheUserPicksAndReportsOnlyThat) {
  auto& pages = form.Get<TPageControl>("Pages");
  auto& sheet1 = form.Get<TTabSheet>("Sheet1");
  auto& sheet2 = form.Get<TTabSheet>("Sheet2");
  RECT tab;
  SendMessageW(pages.Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  SendMessageW(pages.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(pages.Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(pages.ActivePage(), &sheet1);
  EXPECT_TRUE(IsWindowVisible(sheet1.Handle()));
  EXPECT_FALSE(IsWindowVisible(sheet2.Handle()));
  EXPECT_EQ(events, (std::vector<std::string>{"change Pages"}));

  events.clear();
  pages.SetActivePageIndex(1);
  EXPECT_EQ(pages.ActivePage(), &sheet2);
  EXPECT_EQ(SendMessageW(pages.Handle(), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(IsWindowVisible(sheet2.Handle()));
  EXPECT_FALSE(IsWindowVisible(sheet1.Handle()));
  EXPECT_TRUE(events.empty());
}

TEST_F(Controls, SpeedButtonClicksOnceAndFlatControlsShowTheirParent) {
  auto& button = form.Get<TSpeedButton>("Button1");
  SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(events, (std::vector<std::string>{"click Button1"}));

  auto& label = form.Get<TLabel>("Label1");
  EXPECT_EQ(BackgroundPixel(label, 1, 1), ColorToRGB(clTeal));
  EXPECT_EQ(BackgroundPixel(button, 1, 1), ColorToRGB(clTeal));
  label.SetTransparent(false);
  label.SetColor(clRed);
  EXPECT_EQ(BackgroundPixel(label, 1, 1), ColorToRGB(clRed));
}

TEST_F(Controls, TimerTicksFromTheMessageLoopWhileEnabled) {
  auto& timer1 = form.Get<TTimer>("Timer1");
  auto& timer2 = form.Get<TTimer>("Timer2");
  EXPECT_TRUE(PumpUntil([&] { return Count("tick Timer1") >= 2; }));
  EXPECT_EQ(Count("tick Timer2"), 0);

  timer1.SetInterval(0);
  timer2.SetEnabled(true);
  events.clear();
  EXPECT_TRUE(PumpUntil([&] { return Count("tick Timer2") >= 1; }));
  EXPECT_EQ(Count("tick Timer1"), 0);
}
