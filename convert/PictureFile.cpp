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

// Creates the temporary file, empty, under its noted name, so that a stop
// from here on finds a file it removes rather than one being created; the
// drawing then writes over it. -1, with strError, when it could not.
int CreateNotedFile(const CString& strTemp, std::string& strError) {
    const int nSlot = RegisterTempFile(strTemp);
    if (nSlot < 0) {
        strError = "the program is stopping, or holds too many temporary files";
        return -1;
    }
    CFile file;
    CFileException error;
    const BOOL bCreated =
        file.Open(strTemp, CFile::modeCreate | CFile::modeWrite | CFile::modeCreateNew, &error);
    TempFileCreated(nSlot, bCreated);
    if (!bCreated) {
        strError = SystemErrorText(error.m_lOsError).str();
        return -1;
    }
    file.Abort();
    return nSlot;
}

} // namespace

BOOL CPictureFile::Save(const CString& strTarget, const Draw& draw, std::string& strError) {
    UINT nAccess = 0;
    const BOOL bKeepAccess = GetEntry(strTarget, &nAccess) == entryFile;
    // The temporary name ends in the picture's extension, which the drawing
    // takes the type from.
    const CString strTemp =
        TempNameBeside(strTarget) + "." + CConvertCommand::ExtensionOf(strTarget);
    const int nSlot = CreateNotedFile(strTemp, strError);
    if (nSlot < 0) {
        strError = strTarget.str() + ": " + strError;
        return FALSE;
    }
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

BOOL CPictureFile::SaveBytes(const CString& strTarget, const std::string& bytes,
                             std::string& strError) {
    return Save(
        strTarget,
        [&bytes](const CString& strPath, std::string& strWhy) {
            return WriteBytes(strPath, bytes, strWhy);
        },
        strError);
}

bool CPictureFile::WriteBytes(const CString& strPath, const std::string& bytes,
                              std::string& strError) {
    CFile file;
    CFileException error;
    if (!file.Open(strPath, CFile::modeCreate | CFile::modeWrite, &error)) {
        strError = strPath.str() + ": " + SystemErrorText(error.m_lOsError).str();
        return false;
    }
    try {
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Flush();
        file.Close();
    } catch (const CFileException& failure) {
        strError = strPath.str() + ": it could not be written completely: " +
                   SystemErrorText(failure.m_lOsError).str();
        file.Abort();
        return false;
    }
    return true;
}
