#pragma once
#include "win/control.hpp"

namespace win {

// A system check box. Checked changed from code runs OnClick as a user's click does; the same
// value again runs nothing.
class TCheckBox : public TControl {
public:
  explicit TCheckBox(TComponent* owner);

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void CreateHandle() override;
  void Command(WORD code) override;

private:
  bool checked_ = false;
};

// A caption in the control's font; a transparent label shows its parent's background around the
// letters.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent* owner);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void EraseBackground(HDC dc) override;
  void Paint(HDC dc) override;

private:
  bool transparent_ = false;
};

// A button drawn by us with a centred caption or icon. Flat, it shows its parent's background
// and an edge only while the mouse is over it or it is held down. With a GroupIndex it stays
// down when clicked and releases the other buttons of its group on the same parent; with
// AllowAllUp a click on the down button releases it.
class TSpeedButton : public TControl {
public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v) { allowAllUp_ = v; }
  bool Down() const { return stayDown_; }
  void SetDown(bool down);
  // An icon resource of the program, drawn in place of the caption.
  void SetGlyphIcon(const std::string& name);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void EraseBackground(HDC dc) override;
  void Paint(HDC dc) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void Click() override;

private:
  void SetLook(bool hot, bool down);
  bool flat_ = false;
  bool hot_ = false;
  bool down_ = false;
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  bool stayDown_ = false;
  HICON glyph_ = nullptr;
};

// Registers every control class of this layer under the names layouts use: TPanel, TCheckBox,
// TLabel, TSpeedButton, TPageControl, TTabSheet, TSpinEdit, TTimer and TImage.
void RegisterStandardControls();

} // namespace win
