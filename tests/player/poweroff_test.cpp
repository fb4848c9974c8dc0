// PowerOff with every system call replaced by a recorder: nothing here can switch a machine off.
#include "player/poweroff.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder {
  DWORD platform = VER_PLATFORM_WIN32_NT;
  bool tokenOpens = true;
  bool privilegeFound = true;
  DWORD adjustError = ERROR_SUCCESS; // the last-error code AdjustTokenPrivileges leaves
  BOOL adjustResult = TRUE;
  HANDLE token = nullptr;
  std::vector<std::string> calls;
  DWORD tokenAccess = 0;
  std::wstring privilegeName;
  bool systemNameWasNull = false;
  LUID luid{0x1234, 0};
  TOKEN_PRIVILEGES adjusted{};
  BOOL disableAll = TRUE;
  DWORD bufferLength = 0;
  HANDLE adjustedToken = nullptr;
  UINT exitFlags = 0;
  DWORD exitReason = 1;
  std::wstring boxText, boxCaption;
  HWND boxOwner = reinterpret_cast<HWND>(1);
  UINT boxType = 0;
};
Recorder rec;

BOOL WINAPI FakeGetVersionEx(OSVERSIONINFOW* v) {
  v->dwPlatformId = rec.platform;
  return TRUE;
}
BOOL WINAPI FakeOpenProcessToken(HANDLE, DWORD access, HANDLE* token) {
  rec.calls.push_back("OpenProcessToken");
  rec.tokenAccess = access;
  if (!rec.tokenOpens) return FALSE;
  // A real handle, so that closing it is checked as well.
  *token = rec.token = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return TRUE;
}
BOOL WINAPI FakeLookupPrivilegeValue(LPCWSTR system, LPCWSTR name, LUID* luid) {
  rec.calls.push_back("LookupPrivilegeValue");
  rec.systemNameWasNull = system == nullptr;
  rec.privilegeName = name;
  if (!rec.privilegeFound) return FALSE;
  *luid = rec.luid;
  return TRUE;
}
BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state, DWORD length,
                                      TOKEN_PRIVILEGES*, DWORD*) {
  rec.calls.push_back("AdjustTokenPrivileges");
  rec.adjustedToken = token;
  rec.disableAll = disableAll;
  rec.adjusted = *state;
  rec.bufferLength = length;
  SetLastError(rec.adjustError);
  return rec.adjustResult;
}
BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason) {
  rec.calls.push_back("ExitWindowsEx");
  rec.exitFlags = flags;
  rec.exitReason = reason;
  return TRUE;
}
int WINAPI FakeMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  rec.calls.push_back("MessageBox");
  rec.boxOwner = owner;
  rec.boxText = text;
  rec.boxCaption = caption;
  rec.boxType = type;
  return IDOK;
}

class PowerOffTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = PowerOffSystem();
    rec = Recorder{};
    PowerOffSystem() = {FakeGetVersionEx, FakeOpenProcessToken, FakeLookupPrivilegeValue,
                        FakeAdjustTokenPrivileges, FakeExitWindowsEx, FakeMessageBox};
  }
  void TearDown() override {
    PowerOffSystem() = saved_;
    ExpectTokenClosed();
  }
  // A closed handle cannot be waited on.
  static void ExpectTokenClosed() {
    if (rec.token) {
      EXPECT_EQ(WaitForSingleObject(rec.token, 0), WAIT_FAILED) << "token left open";
    }
  }
  PowerOffCalls saved_;
};

TEST_F(PowerOffTest, OnNtEnablesTheShutdownPrivilegeThenPowersOffByForce) {
  PowerOff(true);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"OpenProcessToken", "LookupPrivilegeValue",
                                                 "AdjustTokenPrivileges", "ExitWindowsEx"}));
  EXPECT_EQ(rec.tokenAccess, 0x28u);
  EXPECT_TRUE(rec.systemNameWasNull) << "the local system";
  EXPECT_EQ(rec.privilegeName, L"SeShutdownPrivilege");
  EXPECT_EQ(rec.adjustedToken, rec.token);
  EXPECT_FALSE(rec.disableAll);
  EXPECT_EQ(rec.adjusted.PrivilegeCount, 1u);
  EXPECT_EQ(rec.adjusted.Privileges[0].Luid.LowPart, 0x1234u);
  EXPECT_EQ(rec.adjusted.Privileges[0].Attributes, static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
  EXPECT_EQ(rec.bufferLength, 16u);
  EXPECT_EQ(rec.exitFlags, 12u);
  EXPECT_EQ(rec.exitReason, 0u);
}

TEST_F(PowerOffTest, WithoutForceTheFlagsArePowerOffAlone) {
  PowerOff(false);
  EXPECT_EQ(rec.exitFlags, 8u);
}

TEST_F(PowerOffTest, OnWindows9xNoTokenIsTouched) {
  rec.platform = VER_PLATFORM_WIN32_WINDOWS;
  PowerOff(true);
  EXPECT_EQ(rec.calls, std::vector<std::string>{"ExitWindowsEx"});
  EXPECT_EQ(rec.exitFlags, 12u);
}

TEST_F(PowerOffTest, EachFailedStepShowsItsBoxAndTheMachineStaysOn) {
  struct Case {
    const char* what;
    void (*arrange)();
    const wchar_t* caption;
    size_t callsBeforeBox;
  } cases[] = {
      {"token", [] { rec.tokenOpens = false; }, L"OpenProcessToken() Failed", 1},
      {"lookup", [] { rec.privilegeFound = false; }, L"LookupPrivilegeValue() Failed", 2},
      {"adjust fails", [] { rec.adjustError = ERROR_ACCESS_DENIED, rec.adjustResult = FALSE; },
       L"AdjustTokenPrivileges() Failed", 3},
      // The call succeeds, but the user holds no shut-down privilege to enable.
      {"not assigned", [] { rec.adjustError = ERROR_NOT_ALL_ASSIGNED; }, L"AdjustTokenPrivileges() Failed", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    rec = Recorder{};
    c.arrange();
    PowerOff(true);
    ASSERT_EQ(rec.calls.size(), c.callsBeforeBox + 1);
    EXPECT_EQ(rec.calls.back(), "MessageBox");
    EXPECT_EQ(rec.boxText, L"PowerOff Error");
    EXPECT_EQ(rec.boxCaption, c.caption);
    EXPECT_EQ(rec.boxOwner, nullptr);
    EXPECT_EQ(rec.boxType, static_cast<UINT>(MB_OK));
    EXPECT_EQ(rec.exitFlags, 0u) << "ExitWindowsEx is not called";
    ExpectTokenClosed();
  }
}

} // namespace
