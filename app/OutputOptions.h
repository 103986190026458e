// Under the conversion row: where the outputs go, beside each source (the
// default) or into a chosen folder, remembered between runs; and, for a TWI
// source, the KVN CSV header items its file does not carry (site, borehole,
// depth unit). The rules and their sentences are the conversion's, shared
// with veltrane-convert's -o, --site, --borehole and --depth-unit.
#pragma once

#include "convert/ConvertCommand.h"

#include <QString>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSettings;

class COutputOptions : public QWidget {
    Q_OBJECT

public:
    // Asks for a folder, strCurrent first; empty when cancelled.
    using FolderChooser = std::function<QString(QWidget* pParent, const QString& strCurrent)>;

    // The entries of the depth-unit box: the TWI reader's own choice first.
    static constexpr const char* kUnitByInterval = "by the interval";

    explicit COutputOptions(QWidget* pParent = nullptr);

    // Where the window keeps what it remembers between runs; tests point it
    // elsewhere before the first window opens.
    static QSettings& Settings();

    void SetFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    // The TWI fields are shown for a conversion of TWI sources only.
    void ShowTwiFields(bool bShow);
    bool TwiFieldsShown() const;

    // The folder the outputs go into; empty for beside each source.
    QString OutputFolder() const;
    // What the conversion is given: the folder (empty for beside the
    // source) and the TWI header items. False, with strProblem a sentence to
    // show, when the folder is missing or a field would not read back.
    bool Collect(CString& strFolder, CTwiHeaderItems& items, QString& strProblem) const;

    // The controls, for tests and the window's tab order.
    QRadioButton* BesideSource() const { return m_pBeside; }
    QRadioButton* InFolder() const { return m_pInFolder; }
    QPushButton* ChooseButton() const { return m_pChoose; }
    QLineEdit* SiteField() const { return m_pSite; }
    QLineEdit* BoreholeField() const { return m_pBorehole; }
    QComboBox* DepthUnitBox() const { return m_pDepthUnit; }
    QLabel* ProblemLabel() const { return m_pProblem; }

    // A sentence of the conversion as a message: capital first, full stop.
    static QString AsMessage(const CString& strSentence);

signals:
    // A row came or went: the window lays out what stands below.
    void heightChanged();

public slots:
    void OnChooseFolder();

private:
    QWidget* CreateFolderRow();
    QWidget* CreateTwiRow();
    // The problem of the TWI fields as typed, under them; empty when none.
    QString TwiProblem(CTwiHeaderItems* pItems) const;
    void ShowTwiProblem();
    void Remember() const;

    FolderChooser m_chooser;
    QRadioButton* m_pBeside = nullptr;
    QRadioButton* m_pInFolder = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pChoose = nullptr;
    QWidget* m_pTwiRow = nullptr;
    QLineEdit* m_pSite = nullptr;
    QLineEdit* m_pBorehole = nullptr;
    QComboBox* m_pDepthUnit = nullptr;
    QLabel* m_pProblem = nullptr;
};
