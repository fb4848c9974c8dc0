#pragma once
#include "win/control.hpp"

#include <vector>

namespace win {

class TPageControl;

// One page of a page control: its caption is the tab's text, and it fills the tab control's
// display area. A sheet belongs to the page control it is the child of.
class TTabSheet : public TControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const;
  void SetParent(TControl* parent) override;
  void SetCaption(const std::string& text) override;
};

// A system tab control whose tabs show the tab sheets among its children, one at a time.
// OnChange runs when the user picks another tab; choosing the page from code runs nothing.
class TPageControl : public TControl {
public:
  explicit TPageControl(TComponent* owner);

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const { return pages_.at(index); }
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* page);
  // -1 when there is no page.
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);

  TNotifyEvent OnChange;

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void CreateHandle() override;
  void Resized() override { PlacePages(); }
  void FontWasChanged() override { PlacePages(); }
  LRESULT Notify(const NMHDR& header) override;

private:
  friend class TTabSheet;
  void AddPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void PageCaptionChanged(TTabSheet* page);
  void InsertTab(int index);
  void ShowActivePage();
  void PlacePages();

  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

// A number field: a system edit with up and down arrows inside its right edge. Setting Value
// keeps it within MinValue..MaxValue (unless both are equal); the arrows and the arrow keys step
// by one within that range. Typed text is kept as typed.
class TSpinEdit : public TControl {
public:
  explicit TSpinEdit(TComponent* owner);

  std::string Text() const;
  void SetText(const std::string& text) { SetCaption(text); }
  // The text as a number (as StrToInt reads it: "+5" and " 5" are 5), not clamped; MinValue when
  // the text is no number.
  int Value() const;
  void SetValue(int value);
  int MinValue() const { return minValue_; }
  void SetMinValue(int v) { minValue_ = v; }
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v) { maxValue_ = v; }
  // Characters the user may type; 0: no limit of ours.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void CreateHandle() override;
  void Resized() override { PlaceArrows(); }
  void FontWasChanged() override { PlaceArrows(); }
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  int Clamped(int value) const;
  void Step(int delta);
  void PlaceArrows();

  HWND arrows_ = nullptr; // a child of the edit, destroyed with it
  int minValue_ = 0;
  int maxValue_ = 0;
  int maxLength_ = 0;
};

} // namespace win
