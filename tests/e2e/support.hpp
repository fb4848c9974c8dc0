#pragma once
// Driving the built programs under Wine: starting them as Windows would, finding their windows,
// and making screen saver files from the player program and a package.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

// Wine shows the Unix root as drive Z:.
std::wstring WindowsPath(const char* unixPath);

// Polls every 20 ms for up to 30 seconds.
bool WaitUntil(const std::function<bool()>& done);

// Puts the cursor there and waits until the system reports it there: under Wine the pointer moves
// on the X server a little later, and a program started before that would still find it where
// it was.
bool MoveCursor(int x, int y);

// Whether the window reaches this outer size in time: the host sizes the form after it is shown.
bool SettlesAt(HWND w, int width, int height);

std::string ReadAll(const fs::path& p);
void WriteAll(const fs::path& p, const std::string& bytes);

fs::path SystemFolder();
fs::path WindowsFolder();

std::wstring WindowText(HWND w);
std::wstring ClassOf(HWND w);
std::vector<HWND> Descendants(HWND parent);
HWND FindByText(HWND parent, const std::wstring& text);
HWND FindByClass(HWND parent, const std::wstring& cls);
// The descendant of exactly this outer size, as an image sized by its picture is.
HWND BySize(HWND parent, int width, int height);
// A press and release of the left button at x, y, posted: the call returns at once, so a click
// that opens a modal window cannot block the test.
void PostClick(HWND w, int x = 4, int y = 4);

// When E2E_SCREENSHOTS names a folder (scripts/screenshots sets it), asks for a picture of the
// whole display: leaves name.ready there and waits until the watcher outside Wine has saved
// name.png (Wine's screen DC does not see other processes' windows). Otherwise does nothing.
void Screenshot(const std::wstring& name);
// The colour on the screen at x, y.
COLORREF ScreenPixel(int x, int y);

// Sets the default value of a key under the machine's classes (where Wine's shell looks) while
// it lives, then puts back what was there.
class RegistryOverride {
public:
  RegistryOverride(const std::wstring& classesKey, const std::wstring& value);
  ~RegistryOverride();
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;

private:
  void Set(const std::wstring& value);
  HKEY key_ = nullptr;
  std::optional<std::wstring> old_;
};

// The recorder program (shell_recorder.exe), which takes the place of a browser, a mail program
// or a verb's handler: each start appends its command line to a log beside it.
class ShellRecorder {
public:
  explicit ShellRecorder(fs::path program);
  // A shell command line that starts the recorder with the target.
  std::wstring Command() const { return L"\"" + program_.wstring() + L"\" \"%1\""; }
  // What it was handed, one entry per start: its command line after its own name.
  std::vector<std::wstring> Calls() const;

private:
  fs::path program_, log_;
};

// The blocks of one package.
struct Content {
  std::string movie;   // empty: no movie block
  std::string caption; // empty: no caption block
  std::string about = "<b>关于</b>\r\n第二行\r\n";
  std::string options = "[other]\r\nhint1=\r\nhint2=\r\ntitle=abc\r\nurl1=\r\nurl2=\r\nurl3=\r\n\r\n";
  std::string ad1Jpeg, ad2Jpeg; // empty: no picture block
  std::string ad1Gif, ad2Gif;   // in place of the JPEG of that slot
};

// A GIF written by the codec: a first frame whose left half is `left` and right half `right`,
// then one frame of a single colour for each of `laterFrames`. encoderKind 1 writes run-length
// codes instead of LZW. A delay (hundredths of a second) is given to every frame; loops, when
// not -1, is the loop count of a loop extension on the first frame (0: endless).
std::string HalvesGif(int width, int height, COLORREF left, COLORREF right,
                      const std::vector<COLORREF>& laterFrames = {}, std::uint8_t encoderKind = 0, int delay = 0,
                      int loops = -1);

// The player program followed by a package of the content, as the maker writes it.
void WriteSaver(const fs::path& player, const fs::path& file, const Content& c);

// A screen saver file "Sea Waves.scr" (or another name) in a fresh folder of its own under the
// temporary folder, and the files the player keeps for it, removed again at the end. File
// extensions are shown, as by default, since the settings file is named after the shell's display
// name.
class SaverFiles {
public:
  explicit SaverFiles(const std::wstring& folderName, const std::wstring& name = L"Sea Waves");
  ~SaverFiles();
  SaverFiles(const SaverFiles&) = delete;
  SaverFiles& operator=(const SaverFiles&) = delete;

  static fs::path Ini(const std::wstring& name = L"Sea Waves") {
    return WindowsFolder() / (L"vantoq_fscr_" + name + L".ini");
  }
  static fs::path MovieFile(const std::wstring& name = L"Sea Waves") { return SystemFolder() / (L"~" + name + L".sps"); }
  static void WriteIni(const std::string& text) { WriteAll(Ini(), "[config]\r\n" + text); }

  const std::wstring name;
  const fs::path folder, saver;
};

// Whether the program's GUI thread still takes messages: it has handled everything posted to
// `window` before the call (and what that posted in turn), and was still running after that. A
// posted message that ended the program leaves a later round trip through its loop unanswered.
bool StillTakesMessages(HWND window);

// The frames a stand-in movie window showed, in order, with the GetTickCount() time each was
// shown at: read from the window's own record, so a frame that showed for a moment is not missed.
class FrameRecord {
public:
  struct Shown {
    int frame; // 1-based
    DWORD at;
  };
  explicit FrameRecord(HWND movie) : movie_(movie) {}
  // Waits until the record holds `frame` at or after entry `from`; that entry's number.
  std::optional<size_t> Await(int frame, size_t from = 0);
  // What the record holds so far.
  const std::vector<Shown>& Read();

private:
  HWND movie_;
  std::vector<Shown> shown_;
};

// CreateProcessW of a program with its whole command line (which names the program first).
BOOL StartProcess(const std::wstring& program, std::wstring commandLine, PROCESS_INFORMATION& info);

// One started program, ended by force if a test leaves it running.
class Process {
public:
  Process(const fs::path& file, const std::wstring& arguments);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  // A top-level window of the process with this class, or null.
  HWND TopLevel(const wchar_t* cls) const;
  // The visible main form, once it is up (null after the timeout).
  HWND Form() const;
  bool CloseAndWait(HWND form) const;
  bool WaitForExit() const;

private:
  PROCESS_INFORMATION info_{};
};

} // namespace e2e
