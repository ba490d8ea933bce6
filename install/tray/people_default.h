// "Make Quintavera the default printer" for the people of the machine, asked for by a deployment
// account. A default printer is each account's own (SetDefaultPrinter acts for the calling
// account), so a deployment account never sets one: its request stands machine-wide, and each
// person's tray program, running as that person, carries it out once for them when it starts (at
// their log-on), then marks it done in their own hive:
//   HKLM\SOFTWARE\Orbelin\Quintavera\Tray  "DefaultPrinter"         the printer's name
//   HKCU\Software\Orbelin\Quintavera\Tray  "DefaultPrinterApplied"  the name carried out
#pragma once

#include <cstddef>

namespace qv {

// The printer the machine-wide request names; empty when none stands.
constexpr size_t kRequestedNameChars = 260;
void ReadDefaultRequest(wchar_t (&printerName)[kRequestedNameChars]);

// Asks that `printerName` become each person's default at their next log-on.
void RequestDefaultForPeople(const wchar_t* printerName);

// Withdraws the request (the product is removed); the people's marks stay in their hives.
void WithdrawDefaultRequest();

// The person's side, run by the tray program as that person: makes the requested printer their
// default unless it was done for them already (once per printer name); true when it set it now.
bool ApplyRequestedDefault();

}  // namespace qv
