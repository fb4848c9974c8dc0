#pragma once
#include <windows.h>

// The system calls that switch the machine off, one place so that tests can put recorders there:
// no test may power anything off.
struct PowerOffCalls {
  decltype(&GetVersionExW) getVersionEx = GetVersionExW;
  decltype(&OpenProcessToken) openProcessToken = OpenProcessToken;
  decltype(&LookupPrivilegeValueW) lookupPrivilegeValue = LookupPrivilegeValueW;
  decltype(&AdjustTokenPrivileges) adjustTokenPrivileges = AdjustTokenPrivileges;
  decltype(&ExitWindowsEx) exitWindowsEx = ExitWindowsEx;
  decltype(&MessageBoxW) messageBox = MessageBoxW;
};

// The calls PowerOff makes; tests change them.
PowerOffCalls& PowerOffSystem();

// Powers the computer off, forced when Force is set. On NT systems the process first enables its
// shut-down privilege; a failure there is shown in a box and the machine stays on.
void PowerOff(bool Force);
