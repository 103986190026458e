// Repeat spiral surveys of one casing set side by side. The twist of a
// casing should not change between surveys, so each later survey is judged
// by how far its cumulative twist strays from that of the oldest survey (the
// reference), depth by depth, over the depths every survey measured. The
// window's Compare and veltrane-convert --compare both use it, so they
// order, refuse and measure alike.
#pragma once

#include "platform/CString.h"
#include "survey/TwistProfile.h"

#include <string>
#include <vector>

// Whether surveys could be compared, and if not, why.
enum CompareStatus {
    compareReady = 0,
    compareTooFew,       // fewer than two surveys
    compareNotReadable,  // a survey gave no twist profile, or no measured station
    compareIntervals,    // the surveys step down the casing by different intervals
    compareDepthUnits,   // the surveys measure depth in different units
    compareNoCommonRange // the surveys share no measured depth
};

// One survey as given for comparing.
struct CompareInput {
    std::string strName; // the file name, as the legend and the report show it
    CTwistProfile profile;
    double dInterval = 0.0; // the survey's depth interval, in its depth unit
};

// One survey of the comparison, in the order of reading dates.
struct CompareSeries {
    std::string strName;
    CString strDate; // the reading date, ISO 8601 ("2026-09-14 10:42:05")
    // The measured stations inside the common range, shallowest first: the
    // depth, and the cumulative twist summed from the top of the common
    // range, so that every series starts at 0 there.
    std::vector<TwistStation> stations;
    // From the reference, for every survey but the reference: the largest
    // difference of cumulative twist (this survey less the reference, with
    // its sign) and the depth where it lies, the shallowest of equals.
    // bDifference is false for the reference, and for a survey that shares
    // no station depth with it.
    bool bDifference = false;
    double dLargestDifference = 0.0;
    double dLargestDepth = 0.0;
};

class CSurveyComparison {
public:
    // Orders the surveys by reading date, oldest first (surveys of one date
    // keep the order given), checks that they can be compared and measures
    // them. Never throws; m_nStatus and Problem() say how it went.
    static CSurveyComparison Of(std::vector<CompareInput> inputs);

    // Reads the files as veltrane-convert --info reads them (nDirections[i]
    // of each, or by its extension for directionNone) and compares them. A
    // file that cannot be read stops the comparison: compareNotReadable,
    // with the read's own words in Problem().
    static CSurveyComparison OfFiles(const std::vector<CString>& paths,
                                     const std::vector<int>& directions);

    bool IsReady() const { return m_nStatus == compareReady; }
    // A sentence saying why the surveys were not compared, naming the files;
    // empty when they were.
    const std::string& Problem() const { return m_strProblem; }

    // For each survey after the reference, one line that a person reads and
    // a script splits at its fixed words:
    // "B12-2026.twi: largest difference from B12-2025.twi 0.4 degrees at 12.5 meters".
    // A survey that shares no station with the reference says so instead.
    std::vector<std::string> DifferenceLines() const;
    // The part of a line after "NAME: ": "largest difference from
    // B12-2025.twi 0.4 degrees at 12.5 meters"; empty for the reference.
    std::string DifferenceText(size_t nSeries) const;
    // The legend text of a series: "2025-03-01 10:00:00  B12-2025.twi", the
    // reference marked as such.
    std::string LegendText(size_t nSeries) const;
    // What a window's summary says of the comparison, under kHeading: a line
    // a survey ("B12-2025.twi (reference), 2025-03-01 10:00:00", then
    // "B12-2026.twi, 2026-03-01 10:00:00: largest difference from ..."), and
    // the common range's note when the depths differ.
    std::vector<std::string> SummaryLines() const;
    static constexpr const char* kHeading = "Repeat surveys compared";
    // The name a window suggests for its picture, in the first survey's folder.
    static constexpr const char* kPictureName = "comparison";

    // True when the surveys reach different depths (or start at different
    // ones), so that only the common range is compared and drawn.
    bool DepthsDiffer() const { return m_bDepthsDiffer; }
    // "Surveys of different depths: only 0.0 to 20.0 meters, the depths all
    // of them measured, are compared."
    std::string CommonRangeNote() const;

    CompareStatus m_nStatus = compareTooFew;
    std::vector<CompareSeries> m_series; // the reference first
    double m_dCommonTop = 0.0;           // where every sum starts at 0
    double m_dCommonBottom = 0.0;        // the deepest depth every survey measured
    CString m_strDepthUnits;             // as the reference names it
    std::string m_strBorehole;           // the reference's; empty when it names none

private:
    bool Refuse(CompareStatus nStatus, std::string strProblem);
    // Every survey steps by the same interval and measures depth in the same unit.
    bool CheckAlike(const std::vector<CompareInput>& inputs);
    void FindCommonRange(const std::vector<CompareInput>& inputs);
    void TakeSeries(const std::vector<CompareInput>& inputs);
    void MeasureDifferences(double dInterval);

    std::string m_strProblem;
    bool m_bDepthsDiffer = false;
};
