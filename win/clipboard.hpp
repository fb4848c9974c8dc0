#pragma once
#include "win/picture.hpp"

#include <windows.h>

namespace win {

// The clipboard, open while the object lives. What is placed on it belongs to owner, which must be
// a window: with none, Windows refuses every placement.
class TClipboard {
public:
  // Throws qt::Error "Cannot open clipboard" when another window holds it.
  explicit TClipboard(HWND owner);
  ~TClipboard();
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  // Empties the clipboard and makes the owner its owner.
  void Clear();
  bool HasFormat(UINT format) const;
  // Owned by the clipboard; none when the format is not there.
  HANDLE GetAsHandle(UINT format) const;
  // The clipboard takes data (a global memory block, or a bitmap or palette for CF_BITMAP and
  // CF_PALETTE). When it refuses, data is freed and qt::Error is thrown.
  void SetAsHandle(UINT format, HANDLE data);

  // Empties the clipboard and places the picture's clipboard formats, with its palette as
  // CF_PALETTE. Nothing is placed for no picture.
  void Assign(const TPicture& picture);
  // Loads the picture from the first format on the clipboard that a registered graphic class
  // reads, with the clipboard's palette; with none there, EInvalidGraphic "Unsupported clipboard
  // format".
  void AssignTo(TPicture& picture) const;
};

} // namespace win
