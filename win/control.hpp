#pragma once
#include "base/alignment.hpp"
#include "win/component.hpp"
#include "win/graphics.hpp"

#include <windows.h>

namespace win {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftBits : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
enum TCursor { crDefault = 0, crHandPoint = -21 };
// The edges of its parent that a control keeps its distance to when the parent is resized.
enum TAnchorBits : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, unsigned Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, unsigned Shift, int X, int Y)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

class TForm;

LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);

// What a control's window is made of; a control may use a system window class, whose window
// procedure then still receives every message that the control does not take itself.
struct CreateParamsRec {
  const wchar_t* className = nullptr; // nullptr: our own class
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
};

// A visible component with a window of its own.
class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  HWND Handle();
  bool HandleAllocated() const { return hwnd_ != nullptr; }

  TControl* Parent() const { return parent_; }
  virtual void SetParent(TControl* parent);
  const std::vector<TControl*>& Controls() const { return controls_; }
  TForm* ParentForm();

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT ClientRect();

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);
  std::string Caption() const;
  virtual void SetCaption(const std::string& text);
  // The caption as the window holds it: a path shown in a control keeps every character.
  const std::wstring& WideCaption() const { return caption_; }
  void SetWideCaption(const std::wstring& text);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TFont& Font() { return font_; }
  void FontChanged();
  bool ParentFont() const { return parentFont_; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& h);
  bool ShowHint() const { return showHint_; }
  // On, the hint shows in a tool tip while the mouse rests on the control.
  void SetShowHint(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c) { cursor_ = c; }
  // TAnchorBits. Anchored to both sides of a direction, the control stretches with its parent;
  // to neither, it keeps its place in the middle. Aligned controls follow their alignment.
  unsigned Anchors() const { return anchors_; }
  void SetAnchors(unsigned anchors) { anchors_ = anchors; }

  void BringToFront();
  void SendToBack();
  void Invalidate();
  void SetFocus();
  void Repaint();
  // Lays out the children that have an alignment, as the parent's client area changed.
  void Realign();

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  virtual void CreateParams(CreateParamsRec& params);
  // Draws the client area; the background is already filled by EraseBackground.
  virtual void Paint(HDC dc);
  virtual void EraseBackground(HDC dc);
  virtual void Click();
  virtual void MouseDown(TMouseButton button, unsigned shift, int x, int y);
  virtual void MouseMove(unsigned shift, int x, int y);
  virtual void MouseUp(TMouseButton button, unsigned shift, int x, int y);
  virtual void Resized() {}
  virtual void FontWasChanged() { Invalidate(); }
  virtual void ColorWasChanged() { Invalidate(); }
  // A system control reports to its parent window; the parent hands the report on to the
  // control it came from.
  virtual LRESULT Notify(const NMHDR&) { return 0; }
  virtual void Command(WORD) {}
  // The brush a system control is painted with: this control's colour, text in its font colour.
  HBRUSH ControlColor(HDC dc);
  // Every message of the control's window arrives here first; the default handles painting,
  // mouse and keyboard and passes the rest on.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
  // Draws this control's parent's background under the control, for controls shown as
  // transparent.
  void PaintParentBackground(HDC dc);
  virtual void CreateHandle();
  void DestroyHandle();

  HWND hwnd_ = nullptr;

private:
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  void UpdateWindowBounds();
  // Moves or stretches the anchored children after this control grew by dw, dh.
  void AnchorChildren(int dw, int dh);
  void UpdateHint();
  static TControl* FromChildWindow(HWND child);

  TControl* parent_ = nullptr;
  std::vector<TControl*> controls_;
  WNDPROC systemProc_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  bool parentFont_ = true;
  bool showHint_ = false;
  bool mouseDown_ = false;
  bool realigning_ = false;
  TAlign align_ = alNone;
  TColor color_ = clBtnFace;
  TCursor cursor_ = crDefault;
  unsigned anchors_ = akLeft | akTop;
  std::wstring caption_;
  std::string hint_;
  TFont font_;
  UniqueBrush brush_;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// A control's border: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;
// One alignment for panels here and for the portable text placement code.
using qt::TAlignment;
using qt::taCenter;
using qt::taLeftJustify;
using qt::taRightJustify;

// What every panel has: a colour, optional bevels and a centred caption.
class TCustomPanel : public TControl {
public:
  explicit TCustomPanel(TComponent* owner);

  TBevelCut BevelInner() const { return bevelInner_; }
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelInner(TBevelCut b) { bevelInner_ = b; Invalidate(); }
  void SetBevelOuter(TBevelCut b) { bevelOuter_ = b; Invalidate(); }
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  // Between the outer and the inner bevel, in the panel's colour.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  // bsSingle: a sunken window edge around the client area.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  // What the bevels and the border take from each side of the client area.
  int FrameInset() const;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; Invalidate(); }

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void Paint(HDC dc) override;
  // The bevels, drawn over whatever the panel's own painting put there.
  void PaintBevels(HDC dc, RECT& r);
  void PaintCaption(HDC dc, const RECT& r);

private:
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

// The plain panel. Code that looks for "a panel" (the screen saver host's settings mode) looks for
// this class and those derived from it, not for every TCustomPanel.
class TPanel : public TCustomPanel {
public:
  using TCustomPanel::TCustomPanel;
};

// A colour property: a number or a clXxx name.
PropertySetter ColorPropertyOf(void (*set)(TControl&, TColor));

// Shift state bits for a mouse message's key flags.
unsigned ShiftFromKeys(WPARAM keys);

} // namespace win
