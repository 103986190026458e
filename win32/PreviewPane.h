// The preview of the Windows window, under the template's controls: the
// selected survey's summary at the left, its twist plot (drawn with GDI+) or
// in its place why there is none, and below them what the read found. The
// survey is read into a record of its own, as a conversion would read it,
// so that the conversion's record is never touched by a preview.
#pragma once

#include "convert/SurveySummary.h"
#include "plot/CompareChart.h"
#include "plot/TwistChart.h"

#include <optional>
#include <string>

class CPreviewPane {
public:
    // Creates the pane's controls in the dialog hDlg.
    void Create(void* hDlg);
    // The dialog's font for the pane's text, again after a change of scale.
    void UseDialogFont();
    // Places them in the rectangle, in the dialog's pixels.
    void Layout(int nLeft, int nTop, int nRight, int nBottom);

    // Shows the survey at strPath (UTF-8) read in nDirection; a direction
    // that is none shows that one is needed, or strNote when given (a file
    // of many that is no survey says so).
    void Preview(const std::string& strPath, int nDirection, const std::string& strNote = {});

    // The twist limit as typed in its field (under the summary, in degrees):
    // the summary lists the intervals over it and the plot marks them. It
    // holds for every survey shown while the window is open. True when the
    // summary changed, so that its description follows.
    bool OnLimitEdited();
    // A limit as typed: a number of at least 0, with the user's decimal
    // separator or a point; none for an empty text or anything else.
    static std::optional<double> ParseLimit(const std::string& strText);

    // Repeat surveys over each other and how far each strays from the
    // oldest, in place of a survey; why not, when they cannot be compared.
    void ShowComparison(const std::vector<std::string>& paths, const std::vector<int>& directions);
    const CCompareChart* Comparison() const { return m_compare ? &*m_compare : nullptr; }
    // Where a picture of the comparison goes by default: comparison.png in
    // the first survey's folder.
    const std::string& ComparePicture() const { return m_strComparePicture; }

    // The chart on show, or null when the pane shows why there is none.
    const CTwistChart* Chart() const { return m_chart ? &*m_chart : nullptr; }
    const std::string& Path() const { return m_strPath; }
    int Direction() const { return m_nDirection; }
    // What a screen reader says of the plot: the summary's text, the file's
    // name first; empty while no survey is on show.
    const std::string& Description() const { return m_strDescription; }
    void* PlotWindow() const { return m_hPlot; }

    static constexpr const char* kNothingSelected =
        "Select a survey file with Browse..., or drop one onto the window, to see its twist "
        "profile here.";
    static constexpr const char* kNoDirection =
        "Select the conversion direction to see the survey as Convert would read it.";

private:
    friend class CPlotWindowProc;
    void PaintPlot(void* hWnd);
    void ShowText(int nControl, const std::string& strText);
    // The summary's text and the chart's marks, from the survey read and the limit.
    void ShowSurvey();
    // The text size of the plot's labels in its units (96 an inch): the
    // dialog's font, as the controls' text is.
    double PlotTextSize(void* hdc, double dScale) const;

    void* m_hDlg = nullptr;
    void* m_hPlot = nullptr;
    CSurveySummary m_summary;
    std::optional<CTwistChart> m_chart;
    std::optional<CCompareChart> m_compare;
    std::string m_strComparePicture;
    std::string m_strMessage; // in the plot's place when there is no chart
    std::string m_strPath;
    std::string m_strDescription;
    int m_nDirection = -1;
    bool m_bDiagnostics = false;
    int m_nSummaryWidth = 0; // its longest line, in pixels
    int m_nLineHeight = 0;   // a line of its text, in pixels
};
