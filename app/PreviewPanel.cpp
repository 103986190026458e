#include "app/PreviewPanel.h"

#include "app/SurveyPaths.h"
#include "app/TwistPlotView.h"
#include "convert/SurveyComparison.h"
#include "plot/ComparePlot.h"
#include "plot/FigureMarks.h"
#include "plot/TwistPlot.h"
#include "survey/TwistProfile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The kinds of picture Save Picture offers, each with its extension.
struct PictureType {
    const char* pszFilter;
    const char* pszExtension;
};
const PictureType kPictureTypes[] = {
    {"PNG picture (*.png)", "png"},
    {"SVG drawing (*.svg)", "svg"},
    {"PDF document, %1 page (*.pdf)", "pdf"},
};
constexpr const char* kA4Name = "A4";
constexpr const char* kLetterName = "Letter";

// Lines of diagnostics shown before the box scrolls.
constexpr int kDiagnosticLines = 5;
// A summary value wider than this many average characters wraps at its
// spaces, so that a long one (the intervals over the limit, a long site
// name) leaves the plot its room.
constexpr int kValueChars = 34;

QString WrappedHtml(const QString& strText, const QFontMetrics& metrics) {
    const int nWidth = metrics.averageCharWidth() * kValueChars;
    QStringList lines;
    QString strLine;
    for (const QString& strWord : strText.split(QLatin1Char(' '))) {
        const QString strLonger = strLine.isEmpty() ? strWord : strLine + ' ' + strWord;
        if (!strLine.isEmpty() && metrics.horizontalAdvance(strLonger) > nWidth) {
            lines << strLine.toHtmlEscaped();
            strLine = strWord;
        } else {
            strLine = strLonger;
        }
    }
    lines << strLine.toHtmlEscaped();
    return lines.join(QStringLiteral("<br>"));
}

} // namespace

CPreviewPanel::CPreviewPanel(QWidget* pParent) : QWidget(pParent) {
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);

    // Above: the results of many files, once there are any; below: the survey.
    m_pSplitter = new QSplitter(Qt::Vertical, this);
    m_pSplitter->setObjectName(QStringLiteral("previewSplitter"));
    m_pSplitter->setChildrenCollapsible(false);
    pLayout->addWidget(m_pSplitter, 1);
    m_pResults = new CResultsPanel(m_pSplitter);
    m_pResults->hide();
    m_pSplitter->addWidget(m_pResults);
    connect(m_pResults, &CResultsPanel::fileChosen, this, &CPreviewPanel::Preview);
    connect(m_pResults, &CResultsPanel::compareChosen, this, &CPreviewPanel::ShowComparison);
    // Each run lists its rows, up to a few, and leaves the survey the rest,
    // never less than its summary needs.
    const auto giveListRoom = [this] {
        KeepSurveyRoom();
        const int nTotal = m_pSplitter->height();
        const int nList =
            qMax(m_pResults->minimumSizeHint().height(),
                 qMin(m_pResults->sizeHint().height(),
                      nTotal - m_pSurvey->minimumHeight() - m_pSplitter->handleWidth()));
        m_pSplitter->setSizes({nList, nTotal - nList});
    };
    connect(m_pResults, &CResultsPanel::started, this, giveListRoom);
    connect(m_pResults, &CResultsPanel::listed, this, giveListRoom);

    m_pSurvey = new QWidget(m_pSplitter);
    QWidget* pSurvey = m_pSurvey;
    auto* pSurveyLayout = new QHBoxLayout(pSurvey);
    pSurveyLayout->setContentsMargins(0, 0, 0, 0);

    m_pFigures = CreateFigures(pSurvey);
    pSurveyLayout->addWidget(m_pFigures, 0);
    // The plot, or in its place why there is none.
    m_pStack = new QStackedWidget(pSurvey);
    m_pPlotView = new CTwistPlotView(m_pStack);
    m_pPlotView->setObjectName(QStringLiteral("plot"));
    m_pMessage = new QLabel(m_pStack);
    m_pMessage->setObjectName(QStringLiteral("previewMessage"));
    m_pMessage->setAccessibleName(QStringLiteral("Preview"));
    m_pMessage->setTextFormat(Qt::PlainText);
    m_pMessage->setWordWrap(true);
    m_pMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pMessage->setMargin(fontMetrics().height() / 2);
    m_pMessage->setFrameShape(QFrame::StyledPanel);
    m_pStack->addWidget(m_pPlotView);
    m_pStack->addWidget(m_pMessage);
    pSurveyLayout->addWidget(m_pStack, 1);
    m_pSplitter->addWidget(pSurvey);
    // A taller window gives the survey the room; the list keeps its rows.
    m_pSplitter->setStretchFactor(0, 0);
    m_pSplitter->setStretchFactor(1, 1);

    m_pDiagnostics = new QPlainTextEdit(this);
    m_pDiagnostics->setObjectName(QStringLiteral("diagnostics"));
    m_pDiagnostics->setAccessibleName(QStringLiteral("What the read found"));
    m_pDiagnostics->setReadOnly(true);
    m_pDiagnostics->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pDiagnostics->setTabChangesFocus(true);
    pLayout->addWidget(m_pDiagnostics, 0);

    ShowNothing();
}

QWidget* CPreviewPanel::CreateFigures(QWidget* pParent) {
    // Left of the plot: the summary, and under it the twist limit.
    auto* pFigures = new QWidget(pParent);
    auto* pFiguresLayout = new QVBoxLayout(pFigures);
    pFiguresLayout->setContentsMargins(0, 0, 0, 0);
    m_pSummary = new QLabel(pFigures);
    m_pSummary->setObjectName(QStringLiteral("summary"));
    m_pSummary->setAccessibleName(QStringLiteral("Survey summary"));
    m_pSummary->setTextFormat(Qt::RichText);
    m_pSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pSummary->setWordWrap(false);
    m_pSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pFiguresLayout->addWidget(m_pSummary, 0);

    pFiguresLayout->addWidget(CreateLimitRow(pFigures), 0);
    pFiguresLayout->addStretch(1);
    return pFigures;
}

QWidget* CPreviewPanel::CreateLimitRow(QWidget* pParent) {
    // The twist of one interval the summary lists the intervals over.
    m_pLimitRow = new QWidget(pParent);
    auto* pLimitLayout = new QHBoxLayout(m_pLimitRow);
    pLimitLayout->setContentsMargins(0, 0, 0, 0);
    auto* pLimitLabel = new QLabel(QStringLiteral("&Limit:"), m_pLimitRow);
    m_pLimit = new QLineEdit(m_pLimitRow);
    m_pLimit->setObjectName(QStringLiteral("limit"));
    m_pLimit->setAccessibleName(QStringLiteral("Twist limit in degrees"));
    m_pLimit->setPlaceholderText(QStringLiteral("none"));
    m_pLimit->setToolTip(
        QStringLiteral("The twist of one interval, either way, that the summary lists the "
                       "intervals over"));
    m_pLimit->setClearButtonEnabled(true);
    m_pLimit->setMaximumWidth(
        m_pLimit->fontMetrics().horizontalAdvance(QStringLiteral("0000.000")) +
        m_pLimit->fontMetrics().height() * 2);
    pLimitLabel->setBuddy(m_pLimit);
    pLimitLayout->addWidget(pLimitLabel);
    pLimitLayout->addWidget(m_pLimit);
    pLimitLayout->addWidget(new QLabel(QStringLiteral("degrees"), m_pLimitRow));
    pLimitLayout->addStretch(1);
    connect(m_pLimit, &QLineEdit::textChanged, this, &CPreviewPanel::OnLimitEdited);

    return m_pLimitRow;
}

void CPreviewPanel::ShowNothing() {
    m_strPath.clear();
    m_nDirection = directionNone;
    m_summary.Read(CString(), directionNone);
    ShowMessage(QString(), QString::fromLatin1(kNothingSelected));
    m_pMessage->setAlignment(Qt::AlignCenter); // an invitation, not a report
    ShowDiagnostics();
}

void CPreviewPanel::ShowComparison(const QStringList& paths, const QList<int>& directions) {
    std::vector<CString> surveyPaths;
    std::vector<int> surveyDirections(directions.begin(), directions.end());
    for (const QString& strPath : paths) {
        surveyPaths.push_back(ToSurveyPath(strPath));
    }
    const CSurveyComparison comparison = CSurveyComparison::OfFiles(surveyPaths, surveyDirections);
    m_strPath.clear();
    m_nDirection = directionNone;
    m_strCompareFolder = paths.isEmpty() ? QString() : QFileInfo(paths.first()).absolutePath();
    m_summary.Read(CString(), directionNone);
    m_pDiagnostics->hide();
    const QString strHeading = QString::fromLatin1(CSurveyComparison::kHeading);
    if (!comparison.IsReady()) {
        ShowMessage(strHeading, FromSurveyText(comparison.Problem()));
        return;
    }
    m_pPlotView->SetComparison(CComparePlot(comparison));
    m_pStack->setCurrentWidget(m_pPlotView);
    ShowComparisonSummary(comparison);
    emit plotChanged(true);
}

void CPreviewPanel::ShowComparisonSummary(const CSurveyComparison& comparison) {
    m_strHeading = QString::fromLatin1(CSurveyComparison::kHeading);
    QString strHtml = QStringLiteral("<p style=\"margin-bottom:4px\"><b>%1</b></p><table>")
                          .arg(m_strHeading.toHtmlEscaped());
    QStringList lines{m_strHeading};
    for (const std::string& strLine : comparison.SummaryLines()) {
        lines << FromSurveyText(strLine);
    }
    for (size_t i = 0; i < comparison.m_series.size(); ++i) {
        const QString strColour =
            QStringLiteral("#%1").arg(CCompareChart::SeriesColour(i), 6, 16, QLatin1Char('0'));
        const CompareSeries& series = comparison.m_series[i];
        const QString strName = FromSurveyText(series.strName);
        const QString strDate = FromSurveyText(series.strDate.str());
        const QString strDifference = FromSurveyText(comparison.DifferenceText(i));
        const QFontMetrics metrics = m_pSummary->fontMetrics();
        // A swatch in the series' colour, the survey and its reading date,
        // and how far it strays from the reference.
        strHtml +=
            QStringLiteral("<tr><td valign=\"top\" style=\"color:%1\">&#9632;</td>"
                           "<td><b>%2</b>%3<br>%4%5</td></tr>")
                .arg(strColour, strName.toHtmlEscaped(),
                     i == 0 ? QStringLiteral(" (reference)") : QString(), strDate.toHtmlEscaped(),
                     strDifference.isEmpty()
                         ? QString()
                         : QStringLiteral("<br>") + WrappedHtml(strDifference, metrics));
    }
    strHtml += QStringLiteral("</table>");
    if (comparison.DepthsDiffer()) {
        const QString strNote = FromSurveyText(comparison.CommonRangeNote());
        strHtml += QStringLiteral("<p>%1</p>").arg(WrappedHtml(strNote, m_pSummary->fontMetrics()));
    }
    m_pSummary->setText(strHtml);
    m_pSummary->show();
    m_pLimitRow->hide();
    const QString strSummary = lines.join(QLatin1Char('\n'));
    m_pSummary->setAccessibleDescription(strSummary);
    m_pPlotView->setAccessibleDescription(strSummary);
}

const CComparePlot* CPreviewPanel::Comparison() const {
    return m_pPlotView->Comparison();
}

void CPreviewPanel::Preview(const QString& strPath, int nDirection, const QString& strNote) {
    m_strPath = strPath;
    m_nDirection = nDirection;
    const QString strName = QFileInfo(strPath).fileName();
    if (nDirection != directionTwiToCsv && nDirection != directionCsvToTwi) {
        m_summary.Read(CString(), directionNone);
        ShowMessage(strName, strNote.isEmpty() ? QString::fromLatin1(kNoDirection) : strNote);
        m_pDiagnostics->hide();
        return;
    }
    if (m_summary.Read(ToSurveyPath(strPath), nDirection)) {
        ShowSummary(strName);
        ShowPlot();
        m_pStack->setCurrentWidget(m_pPlotView);
        emit plotChanged(true);
    } else {
        // In place of the plot: why, and the lines that say where.
        QString strText = FromSurveyText(m_summary.FailureText());
        if (!DiagnosticsText().isEmpty()) {
            strText += QStringLiteral("\n\n") + DiagnosticsText();
        }
        ShowMessage(strName, strText);
    }
    ShowDiagnostics();
}

void CPreviewPanel::ShowPlot() {
    const CTwistProfile profile = CTwistProfile::FromSurvey(m_summary.m_data);
    CTwistPlot plot(profile, m_strHeading);
    plot.SetMarks(MarksOfFigures(SurveyFigures::Of(profile, m_summary.m_limit)));
    m_pPlotView->SetPlot(std::move(plot));
}

void CPreviewPanel::ShowMessage(const QString& strHeading, const QString& strText) {
    m_pPlotView->SetPlot(std::nullopt);
    m_pMessage->setText(strText);
    m_pMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pStack->setCurrentWidget(m_pMessage);
    ShowSummary(strHeading);
    emit plotChanged(false);
}

void CPreviewPanel::ShowSummary(const QString& strHeading) {
    m_strHeading = strHeading;
    if (strHeading.isEmpty()) {
        m_pSummary->clear();
        m_pSummary->hide();
        m_pLimitRow->hide();
        m_pPlotView->setAccessibleDescription(QString());
        return;
    }
    // The file's name over a table of the items (once a direction says how
    // the file is read), labels in the window's quieter text colour.
    QString strHtml = QStringLiteral("<p style=\"margin-bottom:4px\"><b>%1</b></p><table>")
                          .arg(strHeading.toHtmlEscaped());
    const QString strLabelColour = palette().color(QPalette::PlaceholderText).name();
    const bool bItems = m_nDirection == directionTwiToCsv || m_nDirection == directionCsvToTwi;
    for (const SummaryItem& item : bItems ? m_summary.Items() : std::vector<SummaryItem>()) {
        strHtml +=
            QStringLiteral("<tr><td valign=\"top\" style=\"padding-right:8px; color:%1\">%2</td>"
                           "<td>%3</td></tr>")
                .arg(strLabelColour, FromSurveyText(item.strLabel).toHtmlEscaped(),
                     WrappedHtml(FromSurveyText(item.strValue), m_pSummary->fontMetrics()));
    }
    strHtml += QStringLiteral("</table>");
    m_pSummary->setText(strHtml);
    m_pSummary->show();
    m_pLimitRow->setVisible(m_summary.IsRead());
    // A screen reader reads the plot as the summary says it.
    const QString strSummary = (QStringList{strHeading} + SummaryLines()).join(QLatin1Char('\n'));
    m_pSummary->setAccessibleDescription(strSummary);
    m_pPlotView->setAccessibleDescription(strSummary);
    KeepSurveyRoom();
}

void CPreviewPanel::KeepSurveyRoom() {
    constexpr int kListRows = 3;
    QTreeWidget* pList = m_pResults->List();
    const int nRow = qMax(pList->sizeHintForRow(0), pList->fontMetrics().height());
    pList->setMinimumHeight(pList->header()->sizeHint().height() + kListRows * nRow +
                            2 * pList->frameWidth());
    m_pSurvey->setMinimumHeight(m_pFigures->sizeHint().height());
    // The window asks for the new least size at once, before Qt's own
    // relayout: the splitter's and the layout's cached sizes go now.
    m_pSplitter->updateGeometry();
    layout()->invalidate();
    emit roomChanged();
}

std::optional<double> CPreviewPanel::ParseLimit(const QString& strText) {
    QString strNumber = strText.trimmed();
    strNumber.replace(QLocale().decimalPoint(), QStringLiteral("."));
    double dLimit = 0.0;
    if (strNumber.isEmpty() || !CSurveySummary::ParseLimit(strNumber.toStdString(), dLimit)) {
        return std::nullopt;
    }
    return dLimit;
}

void CPreviewPanel::OnLimitEdited() {
    // A text that is no limit (yet) marks the field and judges nothing.
    const std::optional<double> limit = ParseLimit(m_pLimit->text());
    const bool bBad = !limit && !m_pLimit->text().trimmed().isEmpty();
    m_pLimit->setStyleSheet(bBad ? QStringLiteral("color: red") : QString());
    m_pLimit->setAccessibleDescription(
        bBad ? QStringLiteral("Not a limit: type a twist of 0 degrees or more") : QString());
    if (limit == m_summary.m_limit) {
        return;
    }
    m_summary.m_limit = limit;
    if (m_summary.IsRead()) {
        ShowSummary(m_strHeading);
        ShowPlot();
    }
}

void CPreviewPanel::ShowDiagnostics() {
    // Under the plot; a file that could not be read has them with its reason.
    if (!m_summary.IsRead() || DiagnosticsText().isEmpty()) {
        m_pDiagnostics->clear();
        m_pDiagnostics->hide();
        return;
    }
    m_pDiagnostics->setPlainText(DiagnosticsText());
    // As tall as the lines, up to a few; more scroll.
    const int nLines = std::clamp(m_summary.m_data.m_diagnostics.GetSize(), 1, kDiagnosticLines);
    const QMargins margins = m_pDiagnostics->contentsMargins();
    m_pDiagnostics->setFixedHeight(m_pDiagnostics->fontMetrics().lineSpacing() * nLines +
                                   2 * qRound(m_pDiagnostics->document()->documentMargin()) +
                                   margins.top() + margins.bottom() + 2);
    m_pDiagnostics->show();
}

QStringList CPreviewPanel::SummaryLines() const {
    QStringList lines;
    if (m_pSummary->isHidden() ||
        (m_nDirection != directionTwiToCsv && m_nDirection != directionCsvToTwi)) {
        return lines;
    }
    for (const std::string& strLine : m_summary.Lines()) {
        lines << FromSurveyText(strLine);
    }
    return lines;
}

QString CPreviewPanel::MessageText() const {
    return m_pStack->currentWidget() == m_pMessage ? m_pMessage->text() : QString();
}

QString CPreviewPanel::DiagnosticsText() const {
    const bool bDirection = m_nDirection == directionTwiToCsv || m_nDirection == directionCsvToTwi;
    if (m_strPath.isEmpty() || !bDirection) {
        return QString();
    }
    return FromSurveyText(m_summary.m_data.m_diagnostics.Describe().str());
}

const CTwistPlot* CPreviewPanel::Plot() const {
    return m_pPlotView->Plot();
}

QString CPreviewPanel::SuggestedPictureName() const {
    if (Comparison() != nullptr) {
        return QDir(m_strCompareFolder)
            .filePath(QString::fromLatin1(CSurveyComparison::kPictureName) + "." +
                      kPictureTypes[0].pszExtension);
    }
    const CString strOutput = CSurveySummary::ConvertedPath(ToSurveyPath(m_strPath), m_nDirection);
    return FromSurveyPath(CSurveySummary::WithExtension(strOutput, kPictureTypes[0].pszExtension));
}

bool CPreviewPanel::SavePicture(const QString& strPath, QString* pError) const {
    PictureFormat format;
    format.nPaper = LocalePaper();
    if (Comparison() != nullptr) {
        return Comparison()->Save(strPath, pError, format);
    }
    if (Plot() == nullptr) {
        if (pError != nullptr) {
            *pError = QStringLiteral("No twist plot is on show.");
        }
        return false;
    }
    return Plot()->Save(strPath, pError, format);
}

PicturePaper CPreviewPanel::LocalePaper() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? PicturePaper::letter
                                                                      : PicturePaper::a4;
}

QString CPreviewPanel::ChoosePictureFile(QWidget* pParent, const QString& strSuggested) {
    QFileDialog dialog(pParent, QStringLiteral("Save Picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList filters;
    // The PDF type names the page the picture is drawn on.
    const char* pszPaper = LocalePaper() == PicturePaper::letter ? kLetterName : kA4Name;
    for (const PictureType& type : kPictureTypes) {
        QString strFilter = QString::fromLatin1(type.pszFilter);
        filters << strFilter.replace(QLatin1String("%1"), QLatin1String(pszPaper));
    }
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QString::fromLatin1(kPictureTypes[0].pszExtension));
    // The chosen type gives the extension of a name typed without one, and
    // the suggested name follows the type.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, filters](const QString& strFilter) {
            const qsizetype nType = filters.indexOf(strFilter);
            if (nType < 0) {
                return;
            }
            const QString strSuffix = QString::fromLatin1(kPictureTypes[nType].pszExtension);
            dialog.setDefaultSuffix(strSuffix);
            const QStringList chosen = dialog.selectedFiles();
            if (!chosen.isEmpty() && !QFileInfo(chosen.first()).isDir()) {
                dialog.selectFile(QFileInfo(chosen.first()).completeBaseName() + "." + strSuffix);
            }
        });
    if (!strSuggested.isEmpty()) {
        dialog.setDirectory(QFileInfo(strSuggested).absolutePath());
        dialog.selectFile(QFileInfo(strSuggested).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}
