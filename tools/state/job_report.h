// The port monitor's job folders and files, with their owner and rights, for the state report.
#pragma once

namespace qvstate {

// "job folder: <path> | rights=<owner and DACL as SDDL>" for "<ProgramData>\Quintavera" and its
// "Jobs", then "job file: <name> | rights=..." for each job; nothing for a folder that is not
// there.
void ReportJobs();

}  // namespace qvstate
