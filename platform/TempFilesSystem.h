// What each system provides to the shared part of the temporary-file list
// (TempFiles.cpp): TempFiles_posix.cpp and TempFiles_win.cpp. Not for use
// outside platform/.
#pragma once

#include "platform/Types.h"

#include <string>
#include <vector>

namespace temp_files_system {

unsigned long CurrentProcess();
// FALSE only when no process of that number runs on this machine.
BOOL ProcessRuns(unsigned long nProcess);
std::string MachineName();
// The names in a folder ("" for the current one); FALSE when it cannot be read.
BOOL ListFolder(const std::string& strFolder, std::vector<std::string>& names);

} // namespace temp_files_system

// Refuses new temporary files from now on, waits a moment for those being
// created, and removes every noted one: the clean-up of a stop, run by the
// one thread that stops the program.
void RemoveNotedTempFilesForStop();
