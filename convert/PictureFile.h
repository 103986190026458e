// A picture of a survey put in place as a converted survey is: drawn under a
// hidden temporary name beside its target and renamed over it when whole.
// So an earlier picture stays as it was until the new one is complete, a
// link of that name is replaced rather than followed, a file replaced keeps
// its access rights (a read-only picture is replaced and stays read-only), as
// a converted survey's output does, and a stop leaves no temporary file.
#pragma once

#include "platform/CString.h"

#include <functional>
#include <string>

class CPictureFile {
public:
    // Draws a picture into the file it is given (whose name ends in the
    // target's extension, which gives the picture's type); false, with
    // strError saying why, when it could not.
    using Draw = std::function<bool(const CString& strPath, std::string& strError)>;

    // Draws the picture and puts it in place at strTarget. FALSE, with
    // strError saying why and nothing left behind, when either step fails.
    static BOOL Save(const CString& strTarget, const Draw& draw, std::string& strError);
    // The same for a picture already made in memory (SVG text, PNG bytes).
    static BOOL SaveBytes(const CString& strTarget, const std::string& bytes,
                          std::string& strError);
    // Writes the bytes into strPath as they are: for a drawing that Save has
    // given its temporary file.
    static bool WriteBytes(const CString& strPath, const std::string& bytes, std::string& strError);
};
