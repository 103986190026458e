#include "convert/PictureFile.h"

#include "convert/ConvertCommand.h"
#include "platform/CFile.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

#include <cerrno>

namespace {

// What the drawing said about the temporary file, said of the target.
void NameTheTarget(std::string& strText, const std::string& strTemp, const std::string& strTarget) {
    for (size_t nAt = strText.find(strTemp); nAt != std::string::npos;
         nAt = strText.find(strTemp, nAt + strTarget.size())) {
        strText.replace(nAt, strTemp.size(), strTarget);
    }
}

} // namespace

BOOL CPictureFile::Save(const CString& strTarget, const Draw& draw, std::string& strError) {
    UINT nAccess = 0;
    const BOOL bKeepAccess = GetEntry(strTarget, &nAccess) == entryFile;
    // The temporary name ends in the picture's extension, which the drawing
    // takes the type from.
    const CString strTemp =
        TempNameBeside(strTarget) + "." + CConvertCommand::ExtensionOf(strTarget);
    const int nSlot = RegisterTempFile(strTemp);
    BOOL bSaved = draw(strTemp, strError) ? TRUE : FALSE;
    if (!bSaved) {
        NameTheTarget(strError, strTemp.str(), strTarget.str());
    } else {
        if (bKeepAccess) {
            CFile file;
            if (file.Open(strTemp, CFile::modeRead)) {
                file.SetAccess(nAccess);
                file.Abort();
            }
        }
        bSaved = ReplaceFile(strTemp, strTarget);
        if (!bSaved) {
            strError = strTarget.str() + ": " + SystemErrorText(errno).str();
        }
    }
    if (!bSaved) {
        RemoveFile(strTemp);
    }
    UnregisterTempFile(nSlot);
    return bSaved;
}
