#include "formats/csv/CsvDataFile.h"

CCsvDataFile::CCsvDataFile() : CSurveyDataFile("csv") {}

CCsvDataFile::~CCsvDataFile() = default;

int CCsvDataFile::WriteSurvey(CString, CPlotDataObj*) {
    return 2;
}
void CCsvDataFile::WriteHeader(CPlotDataObj*) {}
void CCsvDataFile::WriteData(CPlotDataObj*) {}
int CCsvDataFile::ReadSurvey(CString, CPlotDataObj*) {
    return -1;
}
int CCsvDataFile::ReadHeader() {
    return -1;
}
BOOL CCsvDataFile::MatchHeaderKey(CString, CString&) {
    return FALSE;
}
CTime CCsvDataFile::ParseReadingDate(CString) {
    return CTime::GetCurrentTime();
}
int CCsvDataFile::ReadData() {
    return 0;
}
CString CCsvDataFile::ReadNonBlankLine() {
    return CString();
}
