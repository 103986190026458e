#include "convert/SurveyComparison.h"

#include "convert/SurveySummary.h"
#include "survey/NumberText.h"
#include "survey/PlotSettings.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

constexpr const char* kDegrees = "degrees";
constexpr const char* kReference = " (reference)";
// Depths and intervals are sums and products of a few decimals: values this
// close are one. Twists closer than this count as equal too, so that the
// shallowest of two equal differences is named whatever the rounding.
constexpr double kTolerance = 1e-9;
constexpr int kMaxDecimals = 6;

// As many decimals as the value needs, at least one, no "-0.0"; with the
// unit after it when there is one.
std::string Number(double dValue, const std::string& strUnit = std::string()) {
    std::string strText;
    AppendFixed(strText, dValue, kMaxDecimals);
    while (strText.size() > 2 && strText.back() == '0' && strText[strText.size() - 2] != '.') {
        strText.pop_back();
    }
    if (strText[0] == '-' && strText.find_first_not_of("-0.") == std::string::npos) {
        strText.erase(0, 1);
    }
    return strUnit.empty() ? strText : strText + " " + strUnit;
}

bool Same(double a, double b) {
    return std::fabs(a - b) <= kTolerance * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

std::string FileName(const CString& strPath) {
    const std::string strText = strPath.str();
    const size_t nSlash = strText.find_last_of("/\\");
    return nSlash == std::string::npos ? strText : strText.substr(nSlash + 1);
}

// The station's place on the depth grid every survey of the comparison shares.
long long Slot(double dDepth, double dInterval) {
    return std::llround(dDepth / dInterval);
}

// The cumulative twist a profile has summed down to dDepth: that of its
// deepest station at or above it, 0 above its first.
double SumDownTo(const CTwistProfile& profile, double dDepth) {
    double dSum = 0.0;
    for (const TwistStation& station : profile.m_stations) {
        if (station.dDepth > dDepth && !Same(station.dDepth, dDepth)) {
            break;
        }
        dSum = station.dCumulative;
    }
    return dSum;
}

} // namespace

CSurveyComparison CSurveyComparison::Of(std::vector<CompareInput> inputs) {
    CSurveyComparison comparison;
    if (inputs.size() < 2) {
        comparison.Refuse(compareTooFew, "Comparing needs at least two surveys.");
        return comparison;
    }
    for (const CompareInput& input : inputs) {
        if (input.profile.m_nStatus != profileReady) {
            comparison.Refuse(compareNotReadable,
                              input.strName + ": " +
                                  CTwistProfile::StatusText(input.profile.m_nStatus));
            return comparison;
        }
        if (input.profile.m_stations.empty()) {
            comparison.Refuse(compareNotReadable,
                              input.strName + ": the survey has no measured stations.");
            return comparison;
        }
    }
    // The oldest survey is the reference; the others follow by date.
    std::stable_sort(
        inputs.begin(), inputs.end(), [](const CompareInput& a, const CompareInput& b) {
            return a.profile.m_timeReading.GetTime() < b.profile.m_timeReading.GetTime();
        });
    if (!comparison.CheckAlike(inputs)) {
        return comparison;
    }
    comparison.m_strDepthUnits = inputs.front().profile.m_strDepthUnits;
    comparison.m_strBorehole = inputs.front().profile.m_strTitle.str();
    comparison.FindCommonRange(inputs);
    if (comparison.m_nStatus == compareNoCommonRange) {
        return comparison;
    }
    comparison.TakeSeries(inputs);
    comparison.MeasureDifferences(inputs.front().dInterval);
    comparison.m_nStatus = compareReady;
    return comparison;
}

CSurveyComparison CSurveyComparison::OfFiles(const std::vector<CString>& paths,
                                             const std::vector<int>& directions) {
    std::vector<CompareInput> inputs;
    for (size_t i = 0; i < paths.size(); ++i) {
        int nDirection = i < directions.size() ? directions[i] : directionNone;
        if (nDirection == directionNone) {
            nDirection = CSurveySummary::DirectionOf(paths[i]);
        }
        CSurveyComparison refused;
        if (nDirection == directionNone) {
            refused.Refuse(compareNotReadable,
                           paths[i].str() + ": " + CConvertCommand::UnknownTypeText(nullptr).str());
            return refused;
        }
        CSurveySummary summary;
        if (!summary.Read(paths[i], nDirection)) {
            refused.Refuse(compareNotReadable, paths[i].str() + ": " + summary.FailureText());
            return refused;
        }
        inputs.push_back(CompareInput{FileName(paths[i]), CTwistProfile::FromSurvey(summary.m_data),
                                      summary.m_data.m_dInterval});
    }
    return Of(std::move(inputs));
}

bool CSurveyComparison::Refuse(CompareStatus nStatus, std::string strProblem) {
    m_nStatus = nStatus;
    m_strProblem = std::move(strProblem);
    m_series.clear();
    return false;
}

bool CSurveyComparison::CheckAlike(const std::vector<CompareInput>& inputs) {
    // Units by their code, named canonically: "m" and "meters" are one unit.
    const CPlotSettings units;
    const CompareInput& reference = inputs.front();
    const int nRefUnit = units.ParseUnits(reference.profile.m_strDepthUnits);
    const std::string strRefUnit = units.UnitName(nRefUnit).str();
    for (size_t i = 1; i < inputs.size(); ++i) {
        const CompareInput& input = inputs[i];
        const int nUnit = units.ParseUnits(input.profile.m_strDepthUnits);
        if (nUnit != nRefUnit) {
            return Refuse(compareDepthUnits,
                          input.strName + " measures depth in " + units.UnitName(nUnit).str() +
                              " and " + reference.strName + " in " + strRefUnit +
                              ": surveys of different depth units are not compared.");
        }
        if (!Same(input.dInterval, reference.dInterval)) {
            return Refuse(compareIntervals,
                          input.strName + " has an interval of " +
                              Number(input.dInterval, strRefUnit) + " and " + reference.strName +
                              " of " + Number(reference.dInterval, strRefUnit) +
                              ": surveys of different intervals are not compared.");
        }
    }
    return true;
}

void CSurveyComparison::FindCommonRange(const std::vector<CompareInput>& inputs) {
    // The top where the sums start and the deepest station, of each survey.
    const CompareInput* pLowestTop = &inputs.front();
    const CompareInput* pShallowestEnd = &inputs.front();
    for (const CompareInput& input : inputs) {
        if (input.profile.m_dTopDepth > pLowestTop->profile.m_dTopDepth) {
            pLowestTop = &input;
        }
        if (input.profile.m_dDeepest < pShallowestEnd->profile.m_dDeepest) {
            pShallowestEnd = &input;
        }
    }
    m_dCommonTop = pLowestTop->profile.m_dTopDepth;
    m_dCommonBottom = pShallowestEnd->profile.m_dDeepest;
    if (m_dCommonBottom < m_dCommonTop || Same(m_dCommonBottom, m_dCommonTop)) {
        const std::string strUnit = m_strDepthUnits.str();
        Refuse(compareNoCommonRange,
               pLowestTop->strName + " starts at " + Number(m_dCommonTop, strUnit) + " and " +
                   pShallowestEnd->strName + " ends at " + Number(m_dCommonBottom, strUnit) +
                   ": the surveys share no measured depth, so they are not compared.");
        return;
    }
    m_bDepthsDiffer = false;
    for (const CompareInput& input : inputs) {
        m_bDepthsDiffer = m_bDepthsDiffer || !Same(input.profile.m_dTopDepth, m_dCommonTop) ||
                          !Same(input.profile.m_dDeepest, m_dCommonBottom);
    }
}

void CSurveyComparison::TakeSeries(const std::vector<CompareInput>& inputs) {
    for (const CompareInput& input : inputs) {
        CompareSeries series;
        series.strName = input.strName;
        series.strDate = input.profile.DateText();
        // Summed again from the common top, so every series starts at 0 there.
        const double dBase = SumDownTo(input.profile, m_dCommonTop);
        for (const TwistStation& station : input.profile.m_stations) {
            const bool bBelowTop =
                station.dDepth > m_dCommonTop && !Same(station.dDepth, m_dCommonTop);
            const bool bAboveBottom =
                station.dDepth < m_dCommonBottom || Same(station.dDepth, m_dCommonBottom);
            if (bBelowTop && bAboveBottom) {
                series.stations.push_back(
                    TwistStation{station.dDepth, station.dTwist, station.dCumulative - dBase});
            }
        }
        m_series.push_back(std::move(series));
    }
}

void CSurveyComparison::MeasureDifferences(double dInterval) {
    std::map<long long, double> reference;
    for (const TwistStation& station : m_series.front().stations) {
        reference[Slot(station.dDepth, dInterval)] = station.dCumulative;
    }
    for (size_t i = 1; i < m_series.size(); ++i) {
        CompareSeries& series = m_series[i];
        for (const TwistStation& station : series.stations) {
            const auto found = reference.find(Slot(station.dDepth, dInterval));
            if (found == reference.end()) {
                continue; // a reading the reference could not read at this depth
            }
            const double dDifference = station.dCumulative - found->second;
            if (!series.bDifference ||
                std::fabs(dDifference) > std::fabs(series.dLargestDifference) + kTolerance) {
                series.bDifference = true;
                series.dLargestDifference = dDifference;
                series.dLargestDepth = station.dDepth;
            }
        }
    }
}

std::vector<std::string> CSurveyComparison::DifferenceLines() const {
    std::vector<std::string> lines;
    for (size_t i = 1; i < m_series.size(); ++i) {
        lines.push_back(m_series[i].strName + ": " + DifferenceText(i));
    }
    return lines;
}

std::string CSurveyComparison::DifferenceText(size_t nSeries) const {
    if (nSeries == 0 || nSeries >= m_series.size()) {
        return std::string();
    }
    const CompareSeries& series = m_series[nSeries];
    const std::string& strReference = m_series.front().strName;
    if (!series.bDifference) {
        return "no station at a depth that " + strReference + " measured";
    }
    return "largest difference from " + strReference + " " +
           Number(series.dLargestDifference, kDegrees) + " at " +
           Number(series.dLargestDepth, m_strDepthUnits.str());
}

std::string CSurveyComparison::LegendText(size_t nSeries) const {
    if (nSeries >= m_series.size()) {
        return std::string();
    }
    const CompareSeries& series = m_series[nSeries];
    return series.strDate.str() + ", " + series.strName + (nSeries == 0 ? kReference : "");
}

std::string CSurveyComparison::CommonRangeNote() const {
    if (!m_bDepthsDiffer) {
        return std::string();
    }
    const std::string strUnit = m_strDepthUnits.str();
    return "Surveys of different depths: only " + Number(m_dCommonTop) + " to " +
           Number(m_dCommonBottom, strUnit) + ", the depths all of them measured, are compared.";
}

std::vector<std::string> CSurveyComparison::SummaryLines() const {
    std::vector<std::string> lines;
    for (size_t i = 0; i < m_series.size(); ++i) {
        const CompareSeries& series = m_series[i];
        lines.push_back(i == 0 ? series.strName + " (reference), " + series.strDate.str()
                               : series.strName + ", " + series.strDate.str() + ": " +
                                     DifferenceText(i));
    }
    if (DepthsDiffer()) {
        lines.push_back(CommonRangeNote());
    }
    return lines;
}
