// The port monitor's job files: "<common application data>\Quintavera\Jobs\job-....prn".
//
// Print jobs are their people's documents. The two folders belong to SYSTEM and the
// Administrators alone (owner Administrators, full control for both, nothing inherited); each job
// file is readable by the person who printed it, SYSTEM and the Administrators, nobody else.
#pragma once

#include <windows.h>

namespace orbmon {

// Creates a new, uniquely named file for the job `jobId`, never overwriting one, readable by the
// person the spooler impersonates, and returns its handle and path. INVALID_HANDLE_VALUE with the
// last error set when the jobs folder cannot be had: ERROR_ACCESS_DENIED for a folder that
// another account made (owned by none of SYSTEM, the Administrators and the spooler's account) or
// that is a link elsewhere.
HANDLE CreateJobFile(DWORD jobId, wchar_t* path, size_t cch);

}  // namespace orbmon
