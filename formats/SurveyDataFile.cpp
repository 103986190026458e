#include "formats/SurveyDataFile.h"

#include "platform/FileSystem.h"

#include <cerrno>

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
        for (int nTry = 0; nTry < kTempNameTries; ++nTry) {
            CString strTemp = TempNameBeside(strPath);
            CFileException error;
            if (Open(strTemp, nFlags | CFile::modeCreateNew, &error)) {
                m_strTempPath = strTemp;
                m_strTargetPath = strPath;
                m_bOpen = TRUE;
                return m_bOpen;
            }
            if (error.m_lOsError != EEXIST) {
                break; // the folder refuses: missing, not writable, full
            }
        }
        m_bOpen = FALSE;
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
        FlushOutput();
        Close();
    }
    m_bOpen = FALSE;
}

int CSurveyDataFile::OpenOutput(CString strPath, CPlotDataObj* pData) {
    if (!pData->m_bDataLoaded) {
        return 1; // nothing is created
    }
    if (strPath.IsEmpty()) {
        strPath = MakeOutputPath(pData);
    }
    if (!OpenDataFile(strPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite)) {
        return 2;
    }
    return 0;
}

BOOL CSurveyDataFile::CommitDataFile() {
    if (!m_bOpen || m_strTempPath.IsEmpty()) {
        return FALSE;
    }
    FlushOutput();
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
    m_strOutput.clear();
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
    size_t nLength = static_cast<size_t>(strLine.GetLength());
    if (nLength > kMaxLineLength) {
        nLength = kMaxLineLength;
    }
    m_strOutput.append(static_cast<LPCSTR>(strLine), nLength);
    if (bNewLine) {
        m_strOutput += "\r\n";
    }
    if (m_strOutput.size() >= kOutputBufferSize) {
        FlushOutput();
    }
}

void CSurveyDataFile::FlushOutput() {
    if (!m_strOutput.empty()) {
        std::string strPending;
        strPending.swap(m_strOutput);
        Write(strPending.data(), static_cast<UINT>(strPending.size()));
    }
}

int CSurveyDataFile::SurveyYear(int nYear) {
    constexpr int kCenturyPivot = 70;
    constexpr int kFirstYear = 1970;
    constexpr int kLastYear = 2100;
    if (nYear >= 0 && nYear < kCenturyPivot) {
        return nYear + 2000;
    }
    if (nYear >= kCenturyPivot && nYear <= 99) {
        return nYear + 1900;
    }
    return nYear >= kFirstYear && nYear <= kLastYear ? nYear : 0;
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
