// The twist profile of a spiral survey: its measured stations from the top of
// the casing down, each with its depth, the twist of its interval and the
// twist summed from the top, with the ranges a plot needs. The twist plot
// draws it and a text summary can report it, so neither holds survey rules
// of its own.
#pragma once

#include "platform/CString.h"
#include "platform/CTime.h"

#include <vector>

class CPlotDataObj;

// Whether a record gave a profile, and if not, why.
enum TwistProfileStatus {
    profileReady = 0,  // the stations are taken (a survey may still have none)
    profileNotLoaded,  // no survey loaded, or no grid or twist series
    profileNotSpiral,  // the readings are not twist readings
    profileNoInterval, // no positive interval, so no station has a depth
};

struct TwistStation {
    double dDepth = 0.0;      // positive, down, in the survey's depth unit
    double dTwist = 0.0;      // the twist gained over the interval ending here, degrees
    double dCumulative = 0.0; // the twist summed from the top of the casing, degrees
};

class CTwistProfile {
public:
    // The measured stations of a spiral survey: slots 0 to m_nReadingCount - 1
    // that lie inside the grid, less those above the top offset. A reading
    // that is not a finite number is left out (and counted), so that it spoils
    // neither the sums below it nor the ranges.
    static CTwistProfile FromSurvey(const CPlotDataObj& data);

    // A sentence for a status, for a window or a command line to show.
    static const char* StatusText(TwistProfileStatus nStatus);

    // The reading date as "YYYY-MM-DD hh:mm:ss" in local time (ISO 8601),
    // which no reader takes for another day.
    CString DateText() const;

    TwistProfileStatus m_nStatus = profileNotLoaded;
    std::vector<TwistStation> m_stations; // shallowest first
    // Where the sum starts at 0: the top of the first measured interval, the
    // top of the casing unless the survey starts lower down.
    double m_dTopDepth = 0.0;
    int m_nUnreadable = 0; // readings left out for not being finite numbers
    CString m_strDepthUnits;
    CString m_strTitle; // the borehole name; empty when the survey names none
    CTime m_timeReading;

    // The ranges. The cumulative range holds the 0 at the top; the twist
    // range only the stations' values (0 to 0 without stations).
    double m_dMinCumulative = 0.0;
    double m_dMaxCumulative = 0.0;
    double m_dMinTwist = 0.0;
    double m_dMaxTwist = 0.0;
    double m_dDeepest = 0.0; // the deepest station, or the top depth without stations
};
