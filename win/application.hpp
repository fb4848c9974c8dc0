#pragma once
#include "win/component.hpp"

#include <windows.h>

#include <exception>
#include <string>

namespace win {

class TForm;

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

// The program's application object: a hidden top-level window captioned with the title, COM for
// the GUI thread, the message loop and the default exception handler.
class TApplication {
public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The title, or the program file's name without extension when none was set.
  std::string Title() const;
  void SetTitle(const std::string& title);
  // The title as its window shows it: by default the program's name, in whatever script.
  std::wstring WideTitle() const;
  HWND Handle() const { return handle_; }

  // Creates the main form (the first form created becomes the main form).
  template <class F>
  F* CreateForm() {
    F* form = new F(nullptr);
    if (!mainForm_) mainForm_ = form;
    return form;
  }
  TForm* MainForm() const { return mainForm_; }
  // Shows the main form and runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles one message from the queue, waiting for it when none is there.
  void HandleMessage();
  // Handles every message waiting in the queue.
  void ProcessMessages();

  // Sees every message taken from the queue before it is dispatched.
  TMessageEvent OnMessage;

  // The default handler: shows the exception's message in a box; the program goes on.
  void ShowException(const std::exception& e);

private:
  bool ProcessMessage(MSG& msg);
  HWND handle_ = nullptr;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::wstring title_;
  bool comInitialised_ = false;
};

extern TApplication* Application;

// The command line split as the system splits it, in code page 936: 0 is the program, 1 the first
// argument; an index past the last gives the empty text.
std::string ParamStr(int index);

// Runs a callback from Win32 or COM so that no exception escapes into the system.
template <class F, class R>
R Fenced(F&& f, R fallback) {
  try {
    return f();
  } catch (const std::exception& e) {
    if (Application) Application->ShowException(e);
  } catch (...) {
    if (Application) Application->ShowException(std::runtime_error("unknown error"));
  }
  return fallback;
}

} // namespace win
