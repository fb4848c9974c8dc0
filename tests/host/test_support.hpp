#pragma once
#include <windows.h>

#include <string>

// Shared by the stand-in player, the test libraries and the tests.

// The stand-in player and the test libraries record what happens to them, one line each, in the
// file that SAVER_TEST_LOG names; the test reads it. Safe while a library is being loaded.
void AppendLog(const std::string& line);

// The calling thread's cursor display count, left as it was.
int CursorCount();

// What the stand-in form's own window procedure answers to the screen saver command, so that a
// test sees whether the command got past the host's hook.
constexpr LRESULT kScreenSaveReachedForm = 0x5C5C;
