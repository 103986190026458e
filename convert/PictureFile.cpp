#include "convert/PictureFile.h"

#include "platform/CFile.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

#include <cerrno>

namespace {

// Names another program took at the same moment, tried before giving up.
constexpr int kTempNameTries = 8;

bool WriteAll(CFile& file, const std::string& bytes, int& nError) {
    try {
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Flush();
        file.Close();
        return true;
    } catch (const CFileException& error) {
        nError = error.m_lOsError;
        file.Abort();
        return false;
    }
}

} // namespace

bool WritePictureFile(const std::string& strPath, const std::string& bytes, std::string& strError) {
    CFile file;
    CString strTemp;
    CFileException error;
    for (int nTry = 0; nTry < kTempNameTries; ++nTry) {
        strTemp = TempNameBeside(strPath.c_str());
        if (file.Open(strTemp, CFile::modeCreate | CFile::modeWrite | CFile::modeCreateNew,
                      &error) ||
            error.m_lOsError != EEXIST) {
            break;
        }
    }
    if (!file.IsOpen()) {
        strError = SystemErrorText(error.m_lOsError).str();
        return false;
    }
    const int nSlot = RegisterTempFile(strTemp);
    int nError = 0;
    const bool bWritten = WriteAll(file, bytes, nError);
    if (!bWritten || !ReplaceFile(strTemp, strPath.c_str())) {
        nError = bWritten ? errno : nError;
        RemoveFile(strTemp);
        UnregisterTempFile(nSlot);
        strError = bWritten
                       ? "it could not be put in place: " + SystemErrorText(nError).str()
                       : "it could not be written completely: " + SystemErrorText(nError).str();
        return false;
    }
    UnregisterTempFile(nSlot);
    return true;
}
