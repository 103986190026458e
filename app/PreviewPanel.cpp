#include "app/PreviewPanel.h"

#include "app/SurveyPaths.h"
#include "app/TwistPlotView.h"
#include "plot/TwistPlot.h"
#include "survey/TwistProfile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
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
    {"PDF document (*.pdf)", "pdf"},
};

// Lines of diagnostics shown before the box scrolls.
constexpr int kDiagnosticLines = 5;

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
    // Each run lists its rows, up to a few, and leaves the survey the rest.
    const auto giveListRoom = [this] {
        const int nTotal = m_pSplitter->height();
        const int nList = qMin(m_pResults->sizeHint().height(), nTotal / 2);
        m_pSplitter->setSizes({nList, nTotal - nList});
    };
    connect(m_pResults, &CResultsPanel::started, this, giveListRoom);
    connect(m_pResults, &CResultsPanel::listed, this, giveListRoom);

    auto* pSurvey = new QWidget(m_pSplitter);
    auto* pSurveyLayout = new QHBoxLayout(pSurvey);
    pSurveyLayout->setContentsMargins(0, 0, 0, 0);

    m_pSummary = new QLabel(pSurvey);
    m_pSummary->setObjectName(QStringLiteral("summary"));
    m_pSummary->setTextFormat(Qt::RichText);
    m_pSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pSummary->setWordWrap(false);
    pSurveyLayout->addWidget(m_pSummary, 0);

    // The plot, or in its place why there is none.
    m_pStack = new QStackedWidget(pSurvey);
    m_pPlotView = new CTwistPlotView(m_pStack);
    m_pPlotView->setObjectName(QStringLiteral("plot"));
    m_pMessage = new QLabel(m_pStack);
    m_pMessage->setObjectName(QStringLiteral("previewMessage"));
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
    m_pDiagnostics->setReadOnly(true);
    m_pDiagnostics->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pDiagnostics->setTabChangesFocus(true);
    pLayout->addWidget(m_pDiagnostics, 0);

    ShowNothing();
}

void CPreviewPanel::ShowNothing() {
    m_strPath.clear();
    m_nDirection = directionNone;
    m_summary.Read(CString(), directionNone);
    ShowMessage(QString(), QString::fromLatin1(kNothingSelected));
    m_pMessage->setAlignment(Qt::AlignCenter); // an invitation, not a report
    ShowDiagnostics();
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
        m_pPlotView->SetPlot(CTwistPlot(CTwistProfile::FromSurvey(m_summary.m_data), strName));
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

void CPreviewPanel::ShowMessage(const QString& strHeading, const QString& strText) {
    m_pPlotView->SetPlot(std::nullopt);
    m_pMessage->setText(strText);
    m_pMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pStack->setCurrentWidget(m_pMessage);
    ShowSummary(strHeading);
    emit plotChanged(false);
}

void CPreviewPanel::ShowSummary(const QString& strHeading) {
    if (strHeading.isEmpty()) {
        m_pSummary->clear();
        m_pSummary->hide();
        return;
    }
    // The file's name over a table of the items (once a direction says how
    // the file is read), labels in the window's quieter text colour.
    QString strHtml = QStringLiteral("<p style=\"margin-bottom:4px\"><b>%1</b></p><table>")
                          .arg(strHeading.toHtmlEscaped());
    const QString strLabelColour = palette().color(QPalette::PlaceholderText).name();
    const bool bItems = m_nDirection == directionTwiToCsv || m_nDirection == directionCsvToTwi;
    for (const SummaryItem& item : bItems ? m_summary.Items() : std::vector<SummaryItem>()) {
        strHtml += QStringLiteral("<tr><td style=\"padding-right:8px; color:%1\">%2</td>"
                                  "<td>%3</td></tr>")
                       .arg(strLabelColour, FromSurveyText(item.strLabel).toHtmlEscaped(),
                            FromSurveyText(item.strValue).toHtmlEscaped());
    }
    strHtml += QStringLiteral("</table>");
    m_pSummary->setText(strHtml);
    m_pSummary->show();
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
    const CString strOutput = CSurveySummary::ConvertedPath(ToSurveyPath(m_strPath), m_nDirection);
    return FromSurveyPath(CSurveySummary::WithExtension(strOutput, kPictureTypes[0].pszExtension));
}

bool CPreviewPanel::SavePicture(const QString& strPath, QString* pError) const {
    if (Plot() == nullptr) {
        if (pError != nullptr) {
            *pError = QStringLiteral("No twist plot is on show.");
        }
        return false;
    }
    return Plot()->Save(strPath, pError);
}

QString CPreviewPanel::ChoosePictureFile(QWidget* pParent, const QString& strSuggested) {
    QFileDialog dialog(pParent, QStringLiteral("Save Picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList filters;
    for (const PictureType& type : kPictureTypes) {
        filters << QString::fromLatin1(type.pszFilter);
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
