#include "win/filedialogs.hpp"

#include "win/application.hpp"
#include "win/form.hpp"
#include "win/text.hpp"

namespace win {
namespace {

// The system wants the pairs separated and ended by NUL characters.
std::wstring SystemFilter(const std::string& filter) {
  std::wstring f = Widen(filter);
  for (wchar_t& c : f)
    if (c == L'|') c = L'\0';
  return f + L'\0' + L'\0';
}

// With several files chosen the buffer holds the folder, then each name, each ended by NUL; with
// one it holds the whole path.
std::wstring FirstChosen(const wchar_t* buffer) {
  std::wstring first = buffer;
  const wchar_t* next = buffer + first.size() + 1;
  if (*next == L'\0') return first;
  if (!first.empty() && first.back() != L'\\') first += L'\\';
  return first + next;
}

DWORD FlagsFor(unsigned options) {
  DWORD flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  if (options & ofOverwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  if (options & ofHideReadOnly) flags |= OFN_HIDEREADONLY;
  if (options & ofAllowMultiSelect) flags |= OFN_ALLOWMULTISELECT;
  if (options & ofPathMustExist) flags |= OFN_PATHMUSTEXIST;
  if (options & ofFileMustExist) flags |= OFN_FILEMUSTEXIST;
  return flags;
}

} // namespace

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() {
  // Room for many names when several may be chosen.
  std::wstring buffer(Options & ofAllowMultiSelect ? 32768 : MAX_PATH * 2, L'\0');
  FileName.copy(buffer.data(), std::min(FileName.size(), buffer.size() - 2));
  std::wstring filter = SystemFilter(Filter), defaultExt = Widen(DefaultExt), title = Widen(Title);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  TForm* main = Application ? Application->MainForm() : nullptr;
  ofn.hwndOwner = main && main->HandleAllocated() ? main->Handle() : nullptr;
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : defaultExt.c_str();
  ofn.Flags = FlagsFor(Options);
  if (!RunDialog(ofn)) return false;
  FileName = FirstChosen(buffer.c_str());
  return true;
}

bool TOpenDialog::RunDialog(OPENFILENAMEW& ofn) { return GetOpenFileNameW(&ofn) != FALSE; }

bool TSaveDialog::RunDialog(OPENFILENAMEW& ofn) { return GetSaveFileNameW(&ofn) != FALSE; }

const PropertyTable& TOpenDialog::ClassProperties() {
  static const PropertyTable table(
      &TComponent::ClassProperties(),
      {
          {"FileName", StringProperty<TOpenDialog>([](TOpenDialog& d, const std::string& v) { d.FileName = Widen(v); })},
          {"InitialDir", StringProperty<TOpenDialog>([](TOpenDialog& d, const std::string& v) { d.InitialDir = Widen(v); })},
          {"Filter", StringProperty<TOpenDialog>([](TOpenDialog& d, const std::string& v) { d.Filter = v; })},
          {"DefaultExt", StringProperty<TOpenDialog>([](TOpenDialog& d, const std::string& v) { d.DefaultExt = v; })},
          {"Title", StringProperty<TOpenDialog>([](TOpenDialog& d, const std::string& v) { d.Title = v; })},
          {"Options", SetProperty<TOpenDialog>([](TOpenDialog& d, unsigned v) { d.Options = v; },
                                               {{"ofOverwritePrompt", ofOverwritePrompt},
                                                {"ofHideReadOnly", ofHideReadOnly},
                                                {"ofAllowMultiSelect", ofAllowMultiSelect},
                                                {"ofPathMustExist", ofPathMustExist},
                                                {"ofFileMustExist", ofFileMustExist}})},
      });
  return table;
}

} // namespace win
