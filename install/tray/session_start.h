// Starting the tray program for the people logged on when a deployment account installs: in each
// person's session, as that person, never as the account that installs.
#pragma once

#include "base/text_buffer.h"

namespace qv {

struct InstallContext;

// The tray program's command line: its path in quotes, cut at 259 characters, and no arguments.
struct TrayCommandLine {
  explicit TrayCommandLine(const TextBuffer& trayPath);
  wchar_t text[262];
};

// Starts the tray program in every session a person is logged on to (active or disconnected;
// never session 0) as that person, with their environment, on their desktop. Logs for each
// session whether it started there now or starts at the person's next log-on from its entry.
void StartTrayInPeoplesSessions(InstallContext& ctx, const TextBuffer& trayPath);

}  // namespace qv
