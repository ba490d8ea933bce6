// Resource ids of the log window (shared by the dialog template and the code).
#pragma once

#define IDD_LOG_WINDOW 101
#define IDC_LOG_TEXT 1001
