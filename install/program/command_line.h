// The installer's entry: reads the command word and the optional owner window, runs the row of
// the command table and answers with an exit code (context/exit_codes.h).
#pragma once

#include <windows.h>

namespace qv {

// Restricts the process's DLL search to the system directory, then reads the command line through
// the seam and runs its command; returns the exit code. The command
// line is: the word, then the owner window (optional), then "/log=<path>" (optional, last).
int RunCommandLine();

// Whether `word` equals `command`, folding only the ASCII letters A-Z onto a-z.
bool CommandWordEquals(const wchar_t* word, const wchar_t* command);
// A signed decimal number as a window handle: leading white space and one sign accepted, reading
// stops at the first non-digit, no digits give 0, values beyond 32 bits clamp to the limits.
HWND ParseOwnerWindow(const wchar_t* text);
// The path of a "/log=<path>" argument (the switch's letters in either case), or null.
const wchar_t* LogFileSwitch(const wchar_t* argument);
// Asks every open product help window to close, 50 ms apart, for at most 200 rounds.
void CloseHelpWindows();

}  // namespace qv
