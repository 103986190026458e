#include "survey/TwistProfile.h"

#include "survey/PlotDataObj.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr int kSpiralSurvey = 1;

CString Trimmed(CString str) {
    str.TrimLeft();
    str.TrimRight();
    return str;
}

} // namespace

CTwistProfile CTwistProfile::FromSurvey(const CPlotDataObj& data) {
    CTwistProfile profile;
    profile.m_strDepthUnits = Trimmed(data.m_strDepthUnits);
    profile.m_strTitle = Trimmed(data.m_strBorehole);
    profile.m_timeReading = data.m_timeReading;

    if (!data.m_bDataLoaded || data.m_nGridSize <= 0 || !data.m_pAPlus) {
        profile.m_nStatus = profileNotLoaded;
        return profile;
    }
    if (data.m_nFileType != kSpiralSurvey) {
        profile.m_nStatus = profileNotSpiral;
        return profile;
    }
    const double dInterval = data.m_dInterval;
    if (!(dInterval > 0.0) || !std::isfinite(dInterval)) {
        profile.m_nStatus = profileNoInterval;
        return profile;
    }
    profile.m_nStatus = profileReady;

    // A top offset that is not a number marks no slot as above it.
    const double dTopOffset = data.m_dTopOffset;
    const int nSlots = std::clamp(data.m_nReadingCount, 0, data.m_nGridSize);
    int nFirst = 0;
    while (nFirst < nSlots && nFirst * dInterval < dTopOffset) {
        ++nFirst;
    }
    profile.m_dTopDepth = nFirst < nSlots ? nFirst * dInterval : std::max(0.0, dTopOffset);
    profile.m_dDeepest = profile.m_dTopDepth;
    if (!std::isfinite(profile.m_dTopDepth)) {
        profile.m_dTopDepth = profile.m_dDeepest = 0.0;
    }

    profile.m_stations.reserve(static_cast<size_t>(nSlots - nFirst));
    double dSum = 0.0;
    for (int k = nFirst; k < nSlots; ++k) {
        const double dTwist = data.m_pAPlus[k];
        const double dDepth = (k + 1) * dInterval;
        if (!std::isfinite(dTwist) || !std::isfinite(dDepth) || !std::isfinite(dSum + dTwist)) {
            ++profile.m_nUnreadable;
            continue;
        }
        dSum += dTwist;
        profile.m_stations.push_back({dDepth, dTwist, dSum});
    }

    if (!profile.m_stations.empty()) {
        profile.m_dMinTwist = profile.m_dMaxTwist = profile.m_stations.front().dTwist;
        profile.m_dDeepest = profile.m_stations.back().dDepth;
    }
    for (const TwistStation& station : profile.m_stations) {
        profile.m_dMinCumulative = std::min(profile.m_dMinCumulative, station.dCumulative);
        profile.m_dMaxCumulative = std::max(profile.m_dMaxCumulative, station.dCumulative);
        profile.m_dMinTwist = std::min(profile.m_dMinTwist, station.dTwist);
        profile.m_dMaxTwist = std::max(profile.m_dMaxTwist, station.dTwist);
    }
    return profile;
}

const char* CTwistProfile::StatusText(TwistProfileStatus nStatus) {
    switch (nStatus) {
    case profileReady:
        return "The twist profile is ready.";
    case profileNotLoaded:
        return "No survey is loaded.";
    case profileNotSpiral:
        return "The survey is not a spiral survey: its readings are not twist readings.";
    case profileNoInterval:
        return "The survey has no positive depth interval.";
    }
    return "";
}

CString CTwistProfile::DateText() const {
    struct tm fields;
    m_timeReading.GetLocalTm(&fields);
    CString strDate;
    strDate.Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", fields.tm_year + 1900, fields.tm_mon + 1,
                   fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return strDate;
}
