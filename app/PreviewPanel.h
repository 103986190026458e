// The lower part of the main window: the survey of the selected file as its
// conversion would read it (a summary, the twist plot, what the read found),
// or why it cannot be read. The panel reads into a record of its own, never
// the conversion command's, so looking at a file never changes what Convert
// writes.
#pragma once

#include "app/ResultsPanel.h"
#include "convert/SurveySummary.h"
#include "plot/PictureSize.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

class CComparePlot;
class CSurveyComparison;
class CTwistPlot;
class CTwistPlotView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;

class CPreviewPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kNothingSelected =
        "Select a survey file with Browse..., or drop one onto the window,\nto see its twist "
        "profile here.\n\nSeveral files or a folder, chosen or dropped, are converted all at "
        "once.";
    static constexpr const char* kNoDirection =
        "Select the conversion direction to see the survey as Convert would read it.";

    explicit CPreviewPanel(QWidget* pParent = nullptr);

    // Reads strPath as a conversion in nDirection reads it and shows what
    // came of it; directionNone shows strNote, or that a direction is needed.
    void Preview(const QString& strPath, int nDirection, const QString& strNote = QString());
    // Back to the start: nothing selected.
    // The summary with the limit under it, and the limit's row.
    QWidget* CreateFigures(QWidget* pParent);
    QWidget* CreateLimitRow(QWidget* pParent);
    void ShowNothing();

    const QString& Path() const { return m_strPath; }
    int Direction() const { return m_nDirection; }
    const CSurveySummary& Summary() const { return m_summary; }
    // What the panel shows: the summary as "label: value" lines, the text
    // in place of the plot (empty while the plot is on show), and the
    // diagnostics of the read, one per line (under the plot, or with the
    // reason a file could not be read).
    QStringList SummaryLines() const;
    QString MessageText() const;
    QString DiagnosticsText() const;

    // The plot on show, or null when none is.
    const CTwistPlot* Plot() const;
    // Repeat surveys over each other, and how far each strays from the
    // oldest (see CSurveyComparison), in place of the survey; why not, when
    // they cannot be compared.
    void ShowComparison(const QStringList& paths, const QList<int>& directions);
    // The comparison on show, or null when none is.
    const CComparePlot* Comparison() const;
    // A plot or a comparison is on show, for Save Picture.
    bool HasPicture() const { return Plot() != nullptr || Comparison() != nullptr; }
    // Where a picture of the plot goes by default: beside the survey, named
    // after its conversion's output, as veltrane-convert --plot names it.
    QString SuggestedPictureName() const;
    // Saves the plot on show as the extension of strPath says (.png, .svg or
    // .pdf). False, with the reason in *pError, when that failed or no plot
    // is on show.
    bool SavePicture(const QString& strPath, QString* pError) const;

    // The paper of a PDF picture: Letter where the user's locale measures
    // in US units, A4 elsewhere.
    static PicturePaper LocalePaper();

    // The save dialog of Save Picture: one type per kind of picture; a name
    // typed without an extension gets that of the chosen type. Empty when
    // cancelled.
    static QString ChoosePictureFile(QWidget* pParent, const QString& strSuggested);

    // The twist limit is typed under the summary, in degrees; the summary
    // then names the intervals over it. It holds for every survey shown, but
    // not beyond the window's life: the window remembers only where outputs go.
    //
    // A limit as typed: a number of at least 0, with the desktop's decimal
    // separator or a point; none for an empty text or anything else.
    static std::optional<double> ParseLimit(const QString& strText);

    // The results of a run over many files, above the survey; hidden until
    // the first run. Selecting a row previews its file.
    CResultsPanel& Results() const { return *m_pResults; }

signals:
    // The plot came or went: Save Picture follows it.
    void plotChanged(bool bHasPlot);
    // The room the panel needs changed (a summary or a list of files came):
    // the window keeps at least its minimum size.
    void roomChanged();

private:
    void ShowMessage(const QString& strHeading, const QString& strText);
    void ShowSummary(const QString& strHeading);
    void ShowDiagnostics();
    // Left of the comparison: each survey in its colour, with its largest
    // difference from the reference.
    void ShowComparisonSummary(const CSurveyComparison& comparison);
    // The plot of the survey read, with the figures' marks; the heading
    // names the file in its title when the survey names no borehole.
    void ShowPlot();
    void OnLimitEdited();
    // The survey under a list of files keeps the height of its summary and
    // limit, and the list a few rows; the list scrolls for more.
    void KeepSurveyRoom();

    CSurveySummary m_summary;
    QString m_strPath;
    int m_nDirection = directionNone;
    QString m_strCompareFolder; // the first compared survey's, for Save Picture

    QSplitter* m_pSplitter = nullptr;
    QWidget* m_pSurvey = nullptr;
    QWidget* m_pFigures = nullptr;
    CResultsPanel* m_pResults = nullptr;
    QLabel* m_pSummary = nullptr;
    QWidget* m_pLimitRow = nullptr;
    QLineEdit* m_pLimit = nullptr;
    QString m_strHeading; // the name over the summary
    QStackedWidget* m_pStack = nullptr;
    CTwistPlotView* m_pPlotView = nullptr;
    QLabel* m_pMessage = nullptr;
    QPlainTextEdit* m_pDiagnostics = nullptr;
};
