#include "formats/SurveyDataFile.h"

#include "platform/FileSystem.h"
#include "survey/LineReader.h"
#include "survey/NumberText.h"

#include <cerrno>
#include <cmath>

namespace {

// "(n)": the number a derived output name carries before its extension.
CString NumberSuffix(int nIndex) {
    std::string strSuffix = "(";
    AppendWhole(strSuffix, nIndex);
    strSuffix += ")";
    return CString(std::move(strSuffix));
}

} // namespace

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

int CSurveyDataFile::ReadSurvey(CString strPath, CPlotDataObj* pData) {
    m_strPath = strPath;
    if (strPath.IsEmpty()) {
        return kReadNotOpened;
    }
    if (!OpenDataFile(strPath, CFile::modeRead | CFile::shareDenyWrite)) {
        return kReadNotOpened;
    }
    m_pData = pData;
    int nStatus = ReadHeader();
    if (nStatus != 0) {
        nStatus = HeaderFailure(nStatus);
    } else if (ReadData() < 1) {
        nStatus = kReadNoData;
    } else {
        pData->m_bDataLoaded = TRUE;
        CompleteRead();
    }
    CloseDataFile();
    return nStatus;
}

int CSurveyDataFile::WriteSurvey(CString strPath, CPlotDataObj* pData) {
    if (!pData->m_bDataLoaded) {
        return kWriteNotLoaded; // nothing is created
    }
    if (strPath.IsEmpty()) {
        strPath = MakeOutputPath(pData);
    }
    if (!OpenDataFile(strPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite)) {
        return kWriteNotCreated;
    }
    CPendingOutput pending(*this);
    PrepareWrite(pData);
    if (!WriteHeader(pData)) {
        CloseDataFile();
        return kWriteNoHeader;
    }
    WriteData(pData);
    return CommitDataFile() ? 0 : kWriteNotCreated;
}

BOOL CSurveyDataFile::ReadNonBlankLine(CString& strLine, int nLimit) {
    strLine.Empty();
    while (strLine.IsEmpty()) {
        if (!ReadLine(*this, strLine, nLimit)) {
            return FALSE;
        }
        strLine.TrimLeft();
    }
    return TRUE;
}

int CSurveyDataFile::StationCount(const CPlotDataObj& data) {
    if (!(data.m_dInterval > 0.0) || data.m_nGridSize < 1) {
        return 0;
    }
    const double dSteps = std::fabs(data.m_dBottomDepth) / data.m_dInterval;
    if (!(dSteps >= 1.0)) {
        return 0; // also a depth that is not a number
    }
    const int nLimit = data.m_nGridSize - 1;
    return dSteps >= nLimit ? nLimit : static_cast<int>(dSteps);
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
        strSuffix = NumberSuffix(nIndex);
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
        strSuffix = NumberSuffix(nIndex);
        strName = strBaseName + strSuffix + "." + m_strExtension;
        strPath = m_strOutFolder + strName;
    }
    strBaseName = strName;
    return strPath;
}
