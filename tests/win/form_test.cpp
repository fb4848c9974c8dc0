#include "win/application.hpp"
#include "win/form.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace win;

namespace {

// Left, top, width and height.
std::array<int, 4> Bounds(const TControl& c) { return {c.Left(), c.Top(), c.Width(), c.Height()}; }

std::vector<std::string> events;

// A component with a reference to another one, recording when it is loaded.
class TProbe : public TComponent {
public:
  using TComponent::TComponent;
  TComponent* Target = nullptr;
  void Loaded() override { events.push_back("Loaded " + Name() + (Target ? " -> " + Target->Name() : "")); }
  static const PropertyTable& ClassProperties() {
    static const PropertyTable t(&TComponent::ClassProperties(),
                                 {{"Target", ReferenceProperty<TProbe>([](TProbe& p, TComponent* c) { p.Target = c; })}});
    return t;
  }
  const PropertyTable& Properties() const override { return ClassProperties(); }
};

class TTestForm : public TForm {
public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    AddHandler("FormCreate", TNotifyEvent([](TObject*) { events.push_back("FormCreate"); }));
    AddHandler("PanelClick", TNotifyEvent([](TObject*) { events.push_back("click"); }));
    AddHandler("FormKey", TKeyPressEvent([](TObject*, char& k) { k = 0; }));
  }
};

struct Registered {
  Registered() {
    RegisterComponentClass<TPanel>("TPanel");
    RegisterComponentClass<TProbe>("TProbe");
  }
};

class FormLayout : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static Registered once;
    static TApplication app;
  }
  void SetUp() override { events.clear(); }
};

// Layout files are UTF-8, whatever the compiler makes of narrow literals.
const char* kLayout = reinterpret_cast<const char*>(u8R"(object Form1: TTestForm
  ClientWidth = 400
  ClientHeight = 300
  Caption = '测试窗体'
  Color = clGreen
  Font.Height = -12
  OnCreate = FormCreate
  OnKeyPress = FormKey
  object Probe1: TProbe
    Target = Panel2
  end
  object Panel1: TPanel
    Left = 10
    Top = 20
    Width = 200
    Height = 100
    BevelInner = bvLowered
    BevelOuter = bvNone
    OnClick = PanelClick
    object Panel2: TPanel
      Width = 50
      Align = alLeft
    end
    object Bottom: TPanel
      Height = 25
      Align = alBottom
      Font.Color = clWhite
    end
  end
end
)");

} // namespace

TEST_F(FormLayout, BuildsConfiguresAndLoadsEveryComponentBeforeTheCreateHandler) {
  TTestForm form(nullptr);
  form.ReadLayout(kLayout);
  EXPECT_EQ(form.Name(), "Form1");
  EXPECT_EQ(form.ClientWidth(), 400);
  EXPECT_EQ(form.ClientHeight(), 300);
  wchar_t caption[32] = {};
  GetWindowTextW(form.Handle(), caption, 32);
  EXPECT_STREQ(caption, L"测试窗体");

  auto* panel1 = dynamic_cast<TPanel*>(form.FindComponent("Panel1"));
  auto* panel2 = dynamic_cast<TPanel*>(form.FindComponent("panel2")); // names ignore case
  auto* bottom = dynamic_cast<TPanel*>(form.FindComponent("Bottom"));
  ASSERT_TRUE(panel1 && panel2 && bottom);
  EXPECT_EQ(panel2->Owner(), &form);
  EXPECT_EQ(panel2->Parent(), panel1);
  EXPECT_EQ(GetParent(panel2->Handle()), panel1->Handle());
  EXPECT_TRUE(panel1->OnClick);
  // Aligned children share the panel's client area inside its one-pixel bevel.
  EXPECT_EQ(bottom->Left(), 1);
  EXPECT_EQ(bottom->Top(), 100 - 1 - 25);
  EXPECT_EQ(bottom->Width(), 198);
  EXPECT_EQ(panel2->Height(), 100 - 2 - 25);
  EXPECT_EQ(bottom->Font().Color, clWhite);
  EXPECT_EQ(panel2->Font().Color, form.Font().Color); // fonts follow the parent unless set

  EXPECT_EQ(events, (std::vector<std::string>{"Loaded Probe1 -> Panel2", "FormCreate"}));
}

TEST_F(FormLayout, ResizingRealignsChildren) {
  TTestForm form(nullptr);
  form.ReadLayout(kLayout);
  auto* panel1 = dynamic_cast<TPanel*>(form.FindComponent("Panel1"));
  auto* bottom = dynamic_cast<TPanel*>(form.FindComponent("Bottom"));
  panel1->SetHeight(200);
  EXPECT_EQ(bottom->Top(), 200 - 1 - 25);
  bottom->Hide();
  EXPECT_EQ(form.FindComponent("Panel2") ? static_cast<TControl*>(form.FindComponent("Panel2"))->Height() : 0,
            198);
}

TEST_F(FormLayout, ErrorsNameWhatIsWrong) {
  struct Case {
    const char* body;
    const char* message;
  } cases[] = {
      {"  object X: TNoSuchClass\n  end\n", "unknown class TNoSuchClass"},
      {"  object X: TPanel\n    Colour = clRed\n  end\n", "X.Colour: unknown property"},
      {"  object X: TPanel\n    OnClick = NoSuchHandler\n  end\n", "unknown handler NoSuchHandler"},
      {"  object X: TPanel\n    OnClick = FormKey\n  end\n", "handler FormKey does not fit"},
      {"  object X: TProbe\n    Target = Nowhere\n  end\n", "unknown component Nowhere"},
      {"  object X: TPanel\n    Align = alMiddle\n  end\n", "unknown value alMiddle"},
      {"  object X: TPanel\n    Left = 'ten'\n  end\n", "a number was expected"},
  };
  for (const auto& c : cases) {
    TTestForm form(nullptr);
    std::string text = std::string("object F: TTestForm\n") + c.body + "end\n";
    try {
      form.ReadLayout(text);
      ADD_FAILURE() << "accepted: " << c.body;
    } catch (const FormReadError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST_F(FormLayout, KeyPreviewLetsTheFormSwallowKeysOfItsControls) {
  TTestForm form(nullptr);
  form.ReadLayout(kLayout);
  form.SetKeyPreview(true);
  auto* panel1 = dynamic_cast<TPanel*>(form.FindComponent("Panel1"));
  // The form's handler sets the key to 0, so the panel's window never sees it.
  EXPECT_EQ(SendMessageW(panel1->Handle(), WM_CHAR, 'a', 0), 0);
}

TEST_F(FormLayout, ClickFiresOnButtonUpInsideTheControl) {
  TTestForm form(nullptr);
  form.ReadLayout(kLayout);
  form.Show();
  auto* panel1 = dynamic_cast<TPanel*>(form.FindComponent("Panel1"));
  SendMessageW(panel1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 10));
  SendMessageW(panel1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 10));
  SendMessageW(panel1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 10));
  SendMessageW(panel1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 10)); // released outside
  EXPECT_EQ(std::count(events.begin(), events.end(), "click"), 1);
}

TEST_F(FormLayout, AnchoredChildrenKeepToTheirEdgesWhenTheParentIsResized) {
  TTestForm form(nullptr);
  form.ReadLayout(reinterpret_cast<const char*>(u8R"(object Form1: TTestForm
  object Host: TPanel
    Width = 200
    Height = 100
    BevelOuter = bvNone
    object Plain: TPanel
      Left = 10
      Top = 10
      Width = 20
      Height = 20
    end
    object Stretched: TPanel
      Left = 10
      Top = 40
      Width = 100
      Height = 20
      Anchors = [akLeft, akTop, akRight, akBottom]
    end
    object Corner: TPanel
      Left = 150
      Top = 70
      Width = 40
      Height = 20
      Anchors = [akRight, akBottom]
    end
    object Middle: TPanel
      Left = 80
      Top = 10
      Width = 40
      Height = 20
      Anchors = []
    end
    object Aligned: TPanel
      Height = 5
      Align = alBottom
      Anchors = [akRight]
    end
  end
end
)"));
  auto& host = static_cast<TControl&>(*form.FindComponent("Host"));
  host.SetBounds(0, 0, 260, 130);
  struct Case {
    const char* name;
    std::array<int, 4> bounds;
  } cases[] = {{"Plain", {10, 10, 20, 20}},      {"Stretched", {10, 40, 160, 50}}, {"Corner", {210, 100, 40, 20}},
               {"Middle", {110, 25, 40, 20}},    {"Aligned", {0, 125, 260, 5}}};
  for (const Case& c : cases) {
    auto& child = static_cast<TControl&>(*form.FindComponent(c.name));
    EXPECT_EQ(Bounds(child), c.bounds) << c.name;
  }
  EXPECT_EQ(static_cast<TControl&>(*form.FindComponent("Plain")).Anchors(), unsigned{akLeft | akTop});
}

TEST_F(FormLayout, APanelsBevelsBorderAndEdgeInsetItsAlignedChildren) {
  TTestForm form(nullptr);
  form.ReadLayout(reinterpret_cast<const char*>(u8R"(object Form1: TTestForm
  object Framed: TPanel
    Width = 100
    Height = 60
    BevelOuter = bvRaised
    BevelInner = bvLowered
    BevelWidth = 2
    BorderWidth = 3
    object Fill: TPanel
      Align = alClient
    end
  end
  object Edged: TPanel
    Top = 70
    Width = 100
    Height = 60
    BevelOuter = bvNone
    BorderStyle = bsSingle
    object EdgedFill: TPanel
      Align = alClient
    end
  end
end
)"));
  auto& framed = static_cast<TCustomPanel&>(*form.FindComponent("Framed"));
  auto& fill = static_cast<TControl&>(*form.FindComponent("Fill"));
  EXPECT_EQ(framed.BevelWidth(), 2);
  EXPECT_EQ(framed.BorderWidth(), 3);
  EXPECT_EQ(Bounds(fill), (std::array<int, 4>{7, 7, 86, 46}));
  auto& edged = static_cast<TCustomPanel&>(*form.FindComponent("Edged"));
  EXPECT_EQ(edged.BorderStyle(), bsSingle);
  EXPECT_TRUE(GetWindowLongPtrW(edged.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  RECT client;
  GetClientRect(edged.Handle(), &client);
  EXPECT_LT(client.right, 100) << "the edge takes its place from the client area";
  auto& edgedFill = static_cast<TControl&>(*form.FindComponent("EdgedFill"));
  EXPECT_EQ(Bounds(edgedFill), (std::array<int, 4>{0, 0, client.right, client.bottom}));
  // Back to none, the edge goes and the client area is whole again.
  edged.SetBorderStyle(bsNone);
  GetClientRect(edged.Handle(), &client);
  EXPECT_EQ(client.right, 100);
  EXPECT_EQ(edgedFill.Width(), 100);
}
