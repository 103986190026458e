#include "formats/twi/TwiDataFile.h"

CTwiDataFile::CTwiDataFile() : CSurveyDataFile("twi") {}

CTwiDataFile::~CTwiDataFile() = default;

int CTwiDataFile::WriteSurvey(CString, CPlotDataObj*) {
    return 2;
}
BOOL CTwiDataFile::WriteHeader(CPlotDataObj*) {
    return FALSE;
}
void CTwiDataFile::WriteData(CPlotDataObj*) {}
int CTwiDataFile::ReadSurvey(CString, CPlotDataObj*) {
    return -1;
}
int CTwiDataFile::ReadHeader() {
    return -1;
}
BOOL CTwiDataFile::MatchHeaderKey(CString, CString&) {
    return FALSE;
}
CTime CTwiDataFile::ParseRunDate(CString) {
    return CTime::GetCurrentTime();
}
int CTwiDataFile::ReadData() {
    return 0;
}
CString CTwiDataFile::ReadFirstDataLine() {
    return CString();
}
int CTwiDataFile::RebuildIncrements() {
    return 0;
}
