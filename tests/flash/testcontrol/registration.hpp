#pragma once
// The test double of the Flash control: its registration under the real control's class
// identifier, and the log of the calls it gets, for the tests of the movie control and of the
// programs that embed it.
#include <windows.h>

#include <string>
#include <vector>

namespace qt::testing {

// Registers the double (the DLL at dllPath) while the object lives. Wine's COM finds in-process
// servers only among the machine's classes, not the user's.
class ControlRegistration {
public:
  explicit ControlRegistration(const std::wstring& dllPath);
  ~ControlRegistration() { Remove(); }
  ControlRegistration(const ControlRegistration&) = delete;
  ControlRegistration& operator=(const ControlRegistration&) = delete;

  static void Remove();
};

// The file the double writes its calls to, one line each. The variable that names it is set in
// this process's environment, so programs started from here log there too.
class ControlLog {
public:
  ControlLog();
  ~ControlLog();
  ControlLog(const ControlLog&) = delete;
  ControlLog& operator=(const ControlLog&) = delete;

  // The lines written since the last call.
  std::vector<std::string> Take();

private:
  std::wstring path_;
  size_t taken_ = 0;
};

} // namespace qt::testing
