// The temporary files an interrupted program must not leave behind. An output
// is written under a hidden temporary name beside its target and renamed over
// it when complete; while it is being written its name stands here, so that
// Ctrl-C, SIGTERM or SIGHUP removes it before the program ends.
#pragma once

#include "platform/Types.h"

// How many temporary files can be noted at once: a conversion writes one
// output, and a batch keeps those of two chunks of up to 4,000 files until it
// puts them in place.
constexpr int kTempFileSlots = 8192;

// Notes a temporary file; the result is the slot to give back, or -1 when
// every slot is taken (the file is then not removed on a signal).
int RegisterTempFile(LPCSTR pszPath);
// The file is gone or has been renamed into place: forget it.
void UnregisterTempFile(int nSlot);

// Removes every noted temporary file when SIGINT, SIGTERM or SIGHUP arrives,
// then ends the program as that signal would (status 128 + its number).
// SIGXFSZ is ignored, so that a file-size limit becomes a write error
// ("file too large") instead of killing the program midway.
void RemoveTempFilesOnSignals();
