#pragma once
#include "win/component.hpp"

#include <windows.h>
#include <commdlg.h>

#include <string>

namespace win {

enum TOpenOption : unsigned {
  ofOverwritePrompt = 1,
  ofHideReadOnly = 2,
  ofAllowMultiSelect = 4,
  ofPathMustExist = 8,
  ofFileMustExist = 16,
};

// The system's open file dialog, not visible on the form. Filter is pairs of a description and
// a pattern, all separated by "|". FileName holds the chosen file after Execute (the first one
// when several are chosen) and is where the dialog opens when it is set before. FileName and
// InitialDir are paths, so UTF-16; the other texts are code page 936.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner);

  std::wstring FileName;
  std::wstring InitialDir;
  std::string Filter;
  std::string DefaultExt;
  std::string Title;
  unsigned Options = ofHideReadOnly;

  // True when the user chose a file; on cancel nothing changes.
  bool Execute();

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  virtual bool RunDialog(OPENFILENAMEW& ofn);
};

// The system's save file dialog.
class TSaveDialog : public TOpenDialog {
public:
  using TOpenDialog::TOpenDialog;

protected:
  bool RunDialog(OPENFILENAMEW& ofn) override;
};

} // namespace win
