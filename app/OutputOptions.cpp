#include "app/OutputOptions.h"

#include "app/SurveyPaths.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

// What the window remembers: whether outputs go into a folder, and which;
// the folder is kept while outputs go beside their sources, for the next
// time they do not.
constexpr const char* kInFolderKey = "output/inFolder";
constexpr const char* kFolderKey = "output/folder";
constexpr const char* kSettingsName = "Veltrane";

// A typed text as the survey files hold it; a letter beyond plain ASCII is
// refused by the rule of the header items, whatever its bytes.
CString SurveyText(const QString& strText) {
    return CString(strText.toUtf8().constData());
}

QString ChooseFolder(QWidget* pParent, const QString& strCurrent) {
    return QFileDialog::getExistingDirectory(pParent, QStringLiteral("Folder for converted files"),
                                             strCurrent);
}

} // namespace

COutputOptions::COutputOptions(QWidget* pParent) : QWidget(pParent), m_chooser(&ChooseFolder) {
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(CreateFolderRow());
    pLayout->addWidget(CreateTwiRow());
    m_pProblem = new QLabel(this);
    m_pProblem->setObjectName(QStringLiteral("twiProblem"));
    m_pProblem->setAccessibleName(QStringLiteral("Why a header item cannot be written"));
    m_pProblem->setTextFormat(Qt::PlainText);
    m_pProblem->setWordWrap(true);
    m_pProblem->hide();
    pLayout->addWidget(m_pProblem);

    QSettings& settings = Settings();
    m_pFolder->setText(settings.value(QString::fromLatin1(kFolderKey)).toString());
    const bool bInFolder = settings.value(QString::fromLatin1(kInFolderKey), false).toBool();
    (bInFolder && !m_pFolder->text().isEmpty() ? m_pInFolder : m_pBeside)->setChecked(true);
    connect(m_pInFolder, &QRadioButton::toggled, this, [this](bool bChecked) {
        if (bChecked && m_pFolder->text().isEmpty()) {
            OnChooseFolder();
        }
        Remember();
    });
}

QWidget* COutputOptions::CreateFolderRow() {
    auto* pRow = new QWidget(this);
    auto* pLayout = new QHBoxLayout(pRow);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(new QLabel(QStringLiteral("Output:"), pRow));
    m_pBeside = new QRadioButton(QStringLiteral("&Beside the source"), pRow);
    m_pBeside->setObjectName(QStringLiteral("besideSource"));
    m_pBeside->setAccessibleName(QStringLiteral("Write each output beside its source"));
    m_pInFolder = new QRadioButton(QStringLiteral("In &folder:"), pRow);
    m_pInFolder->setObjectName(QStringLiteral("inFolder"));
    m_pInFolder->setAccessibleName(QStringLiteral("Write the outputs into the chosen folder"));
    auto* pGroup = new QButtonGroup(pRow);
    pGroup->addButton(m_pBeside);
    pGroup->addButton(m_pInFolder);
    m_pFolder = new QLineEdit(pRow);
    m_pFolder->setObjectName(QStringLiteral("outputFolder"));
    m_pFolder->setAccessibleName(QStringLiteral("Output folder"));
    m_pFolder->setReadOnly(true);
    m_pFolder->setFocusPolicy(Qt::ClickFocus); // Tab goes from the choice to Choose
    m_pFolder->setPlaceholderText(QStringLiteral("none chosen"));
    m_pChoose = new QPushButton(QStringLiteral("C&hoose..."), pRow);
    m_pChoose->setObjectName(QStringLiteral("chooseFolder"));
    m_pChoose->setAccessibleName(QStringLiteral("Choose the output folder"));
    m_pChoose->setAutoDefault(false);
    connect(m_pChoose, &QPushButton::clicked, this, &COutputOptions::OnChooseFolder);
    pLayout->addWidget(m_pBeside);
    pLayout->addWidget(m_pInFolder);
    pLayout->addWidget(m_pFolder, 1);
    pLayout->addWidget(m_pChoose);
    return pRow;
}

QWidget* COutputOptions::CreateTwiRow() {
    m_pTwiRow = new QWidget(this);
    m_pTwiRow->setObjectName(QStringLiteral("twiFields"));
    auto* pLayout = new QHBoxLayout(m_pTwiRow);
    pLayout->setContentsMargins(0, 0, 0, 0);
    const auto addField = [&](const char* pszLabel, const char* pszName,
                              const char* pszAccessible) {
        auto* pLabel = new QLabel(QString::fromLatin1(pszLabel), m_pTwiRow);
        auto* pField = new QLineEdit(m_pTwiRow);
        pField->setObjectName(QString::fromLatin1(pszName));
        pField->setAccessibleName(QString::fromLatin1(pszAccessible));
        pField->setPlaceholderText(QStringLiteral("none"));
        pLabel->setBuddy(pField);
        pLayout->addWidget(pLabel);
        pLayout->addWidget(pField, 1);
        connect(pField, &QLineEdit::textChanged, this, &COutputOptions::ShowTwiProblem);
        return pField;
    };
    m_pSite = addField("&Site:", "site", "Site of the KVN CSV output");
    m_pBorehole = addField("Bore&hole:", "borehole", "Borehole of the KVN CSV output");
    auto* pUnitLabel = new QLabel(QStringLiteral("Depth &unit:"), m_pTwiRow);
    m_pDepthUnit = new QComboBox(m_pTwiRow);
    m_pDepthUnit->setObjectName(QStringLiteral("depthUnit"));
    m_pDepthUnit->setAccessibleName(QStringLiteral("Depth unit of the KVN CSV output"));
    m_pDepthUnit->addItem(QString::fromLatin1(kUnitByInterval), QString());
    for (const char* pszUnit : {CTwiHeaderItems::kFeet, CTwiHeaderItems::kMeters}) {
        m_pDepthUnit->addItem(QString::fromLatin1(pszUnit), QString::fromLatin1(pszUnit));
    }
    m_pDepthUnit->setToolTip(
        QStringLiteral("A TWI file names no depth unit: without a choice, an interval of 2 or "
                       "more is taken as feet, a finer one as meters"));
    pUnitLabel->setBuddy(m_pDepthUnit);
    pLayout->addWidget(pUnitLabel);
    pLayout->addWidget(m_pDepthUnit);
    m_pTwiRow->setToolTip(
        QStringLiteral("A TWI file carries no site, borehole or depth unit: these fill the KVN "
                       "CSV header of its output"));
    return m_pTwiRow;
}

QSettings& COutputOptions::Settings() {
    static QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                              QString::fromLatin1(kSettingsName),
                              QString::fromLatin1(kSettingsName));
    return settings;
}

void COutputOptions::ShowTwiFields(bool bShow) {
    if (bShow == TwiFieldsShown()) {
        return;
    }
    m_pTwiRow->setVisible(bShow);
    ShowTwiProblem();
    emit heightChanged();
}

bool COutputOptions::TwiFieldsShown() const {
    return !m_pTwiRow->isHidden();
}

QString COutputOptions::OutputFolder() const {
    return m_pInFolder->isChecked() ? m_pFolder->text() : QString();
}

void COutputOptions::OnChooseFolder() {
    const QString strFolder = m_chooser(this, m_pFolder->text());
    if (!strFolder.isEmpty()) {
        m_pFolder->setText(QDir::toNativeSeparators(strFolder));
        m_pInFolder->setChecked(true);
    } else if (m_pFolder->text().isEmpty()) {
        m_pBeside->setChecked(true); // no folder: beside the source, as before
    }
    Remember();
}

void COutputOptions::Remember() const {
    QSettings& settings = Settings();
    settings.setValue(QString::fromLatin1(kInFolderKey), m_pInFolder->isChecked());
    settings.setValue(QString::fromLatin1(kFolderKey), m_pFolder->text());
    settings.sync();
}

QString COutputOptions::AsMessage(const CString& strSentence) {
    return FromSurveyText(CTwiHeaderItems::AsMessage(strSentence).str());
}

QString COutputOptions::TwiProblem(CTwiHeaderItems* pItems) const {
    CTwiHeaderItems items;
    const CString strProblem =
        items.SetAll(SurveyText(m_pSite->text()), SurveyText(m_pBorehole->text()),
                     SurveyText(m_pDepthUnit->currentData().toString()));
    if (!strProblem.IsEmpty()) {
        return AsMessage(strProblem);
    }
    if (pItems != nullptr) {
        *pItems = items;
    }
    return QString();
}

void COutputOptions::ShowTwiProblem() {
    const QString strProblem = TwiFieldsShown() ? TwiProblem(nullptr) : QString();
    if (strProblem == m_pProblem->text()) {
        return;
    }
    // A longer sentence may take another line: the window lays out again.
    m_pProblem->setText(strProblem);
    m_pProblem->setVisible(!strProblem.isEmpty());
    emit heightChanged();
}

bool COutputOptions::Collect(CString& strFolder, CTwiHeaderItems& items,
                             QString& strProblem) const {
    strFolder.Empty();
    items = CTwiHeaderItems();
    if (m_pInFolder->isChecked()) {
        if (m_pFolder->text().isEmpty()) {
            strProblem = QString::fromLatin1(CConvertCommand::kNoFolderChosen);
            return false;
        }
        strFolder = ToSurveyPath(m_pFolder->text());
        const CString strWhy = CConvertCommand::OutputFolderProblem(strFolder);
        if (!strWhy.IsEmpty()) {
            strProblem = AsMessage(strWhy);
            return false;
        }
    }
    // Hidden fields give nothing: a KVN CSV source carries its own items.
    if (TwiFieldsShown()) {
        strProblem = TwiProblem(&items);
        return strProblem.isEmpty();
    }
    return true;
}
