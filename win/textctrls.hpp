#pragma once
#include "win/control.hpp"

#include <string>
#include <vector>

namespace win {

// A system push button. A cancel button is pressed by Esc anywhere on its form.
class TButton : public TControl {
public:
  explicit TButton(TComponent* owner);

  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  // As the user's click does.
  void Click() override { TControl::Click(); }

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void Command(WORD code) override;

private:
  bool cancel_ = false;
};

// What edits and memos share: the system edit's text, a length limit and read-only.
class TCustomEdit : public TControl {
public:
  explicit TCustomEdit(TComponent* owner);

  // The text as the window holds it, typed text included. An edit that holds a path gives and
  // takes it as UTF-16, which keeps names that code page 936 cannot write.
  std::string Text() const;
  void SetText(const std::string& text) { SetCaption(text); }
  std::wstring WideText() const;
  void SetWideText(const std::wstring& text) { SetWideCaption(text); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // Characters the user may type; 0: the system's limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n);
  int SelStart() const;

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void CreateHandle() override;
  // For style changes that the system takes only when the window is made; keeps the text.
  void RecreateHandle();

private:
  bool readOnly_ = false;
  int maxLength_ = 0;
};

class TEdit : public TCustomEdit {
public:
  using TCustomEdit::TCustomEdit;
};

// A multi-line edit. Its lines are its text split at CR LF, so any text at all, a lone line
// break too, has at least one line.
class TMemo : public TCustomEdit {
public:
  explicit TMemo(TComponent* owner);

  std::vector<std::string> Lines() const;
  // Puts the line in front of the memo's line index (an empty last line after a line break
  // counts); past the last line it becomes the new last line.
  void InsertLine(int index, const std::string& line);
  void AddLine(const std::string& line);
  // The line that holds the given character position.
  int LineFromChar(int position) const;
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;

private:
  bool wordWrap_ = true;
  TAlignment alignment_ = taLeftJustify;
};

// A system list box, unsorted. OnClick runs when the user selects another entry. Its entries are
// file names, so UTF-16.
class TListBox : public TControl {
public:
  explicit TListBox(TComponent* owner);

  int Count() const;
  std::wstring Item(int index) const;
  void Clear();
  void Add(const std::wstring& item);
  // -1: no entry selected.
  int ItemIndex() const;
  void SetItemIndex(int index);
  void SetItemHeight(int h);
  // Flat, the border is a plain line.
  void SetFlat(bool flat);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
  void CreateHandle() override;
  void Command(WORD code) override;

private:
  int itemHeight_ = 0;
  bool flat_ = false;
};

// A system drop-down list: the user picks one of the items, and types nothing.
class TComboBox : public TControl {
public:
  explicit TComboBox(TComponent* owner);

  void AddItem(const std::string& item);
  int ItemIndex() const;
  void SetItemIndex(int index);
  // The selected item; empty when none is.
  std::string Text() const;
  // The height is the closed box's; the open list shows its items below it.
  void SetBounds(int left, int top, int width, int height) override;

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateParams(CreateParamsRec& params) override;
};

} // namespace win
