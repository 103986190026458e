#include "formats/SurveyDataFile.h"

#include "platform/FileSystem.h"

#include <cstring>

CSurveyDataFile::CSurveyDataFile(LPCSTR pszExtension) : m_strExtension(pszExtension) {}

CSurveyDataFile::~CSurveyDataFile() {
    DiscardOutput();
}

BOOL CSurveyDataFile::OpenDataFile(CString strPath, UINT nFlags) {
    CloseDataFile();
    if (nFlags & CFile::modeCreate) {
        if (strPath.IsEmpty() || IsDirectory(strPath)) {
            m_bOpen = FALSE;
            return m_bOpen;
        }
        m_strTempPath = CreateTempFileBeside(strPath);
        if (m_strTempPath.IsEmpty()) {
            m_bOpen = FALSE;
            return m_bOpen;
        }
        m_strTargetPath = strPath;
        m_bOpen = Open(m_strTempPath, nFlags);
        if (!m_bOpen) {
            RemoveFile(m_strTempPath);
            m_strTempPath.Empty();
        }
        return m_bOpen;
    }
    m_bOpen = Open(strPath, nFlags);
    return m_bOpen;
}

void CSurveyDataFile::CloseDataFile() {
    if (!m_strTempPath.IsEmpty()) {
        DiscardOutput();
        return;
    }
    if (m_bOpen) {
        Close();
    }
    m_bOpen = FALSE;
}

BOOL CSurveyDataFile::CommitDataFile() {
    if (!m_bOpen || m_strTempPath.IsEmpty()) {
        return FALSE;
    }
    Close(); // raises CFileException when the system reports a late write error
    m_bOpen = FALSE;
    BOOL bReplaced = ReplaceFile(m_strTempPath, m_strTargetPath);
    if (!bReplaced) {
        RemoveFile(m_strTempPath);
    }
    m_strTempPath.Empty();
    m_strTargetPath.Empty();
    return bReplaced;
}

void CSurveyDataFile::DiscardOutput() {
    if (m_strTempPath.IsEmpty()) {
        return;
    }
    Abort();
    m_bOpen = FALSE;
    RemoveFile(m_strTempPath);
    m_strTempPath.Empty();
    m_strTargetPath.Empty();
}

CSurveyDataFile::CPendingOutput::~CPendingOutput() {
    m_file.DiscardOutput();
}

void CSurveyDataFile::WriteLine(CString strLine, BOOL bNewLine) {
    char buffer[kMaxLineLength + 4];
    UINT nLength = static_cast<UINT>(strLine.GetLength());
    if (nLength > kMaxLineLength) {
        nLength = kMaxLineLength;
    }
    std::memcpy(buffer, static_cast<LPCSTR>(strLine), nLength);
    if (bNewLine) {
        buffer[nLength++] = '\r';
        buffer[nLength++] = '\n';
    }
    Write(buffer, nLength);
}

CString CSurveyDataFile::MakeOutputPath(CPlotDataObj* pData) {
    CString strBaseName = pData->m_strBorehole;
    int nIndex = pData->m_nOutputIndex < 0 ? -1 : pData->m_nOutputIndex;
    CString strPath = FindFreeName(strBaseName, nIndex);
    pData->m_nOutputIndex = nIndex;
    m_strName = strBaseName;
    m_strPath = strPath;
    return strPath;
}

CString CSurveyDataFile::FindFreeName(CString& strBaseName, int& nIndex) {
    CString strSuffix;
    if (nIndex >= 0) {
        ++nIndex;
        strSuffix.Format("(%d)", nIndex);
    }
    CString strName = strBaseName + strSuffix + "." + m_strExtension;
    CString strPath = m_strOutFolder + strName;
    while (FileExists(strPath)) {
        if (nIndex > kMaxNameIndex) {
            strName = CString("FilenameError.") + m_strExtension;
            strPath = m_strOutFolder + strName;
            break;
        }
        if (nIndex < 0) {
            nIndex = 0;
        }
        ++nIndex;
        strSuffix.Format("(%d)", nIndex);
        strName = strBaseName + strSuffix + "." + m_strExtension;
        strPath = m_strOutFolder + strName;
    }
    strBaseName = strName;
    return strPath;
}
