// A picture file put in place whole: written under a temporary name beside
// its target and renamed over it only when every byte is on the disk, so that
// an earlier picture is never left half-written, and Ctrl-C leaves no
// temporary file behind.
#pragma once

#include <string>

// False, with strError saying why, when the picture could not be written.
bool WritePictureFile(const std::string& strPath, const std::string& bytes, std::string& strError);
