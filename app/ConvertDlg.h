// The main window: one row to pick the survey file, one row to pick the
// direction and convert it, and below them the preview of the selected
// survey. It owns the conversion command and with it the one survey record,
// for its whole life; the preview reads into a record of its own.
#pragma once

#include "convert/ConvertCommand.h"

#include <QDialog>

class CDialogUnits;
#include <QString>
#include <functional>

class COutputOptions;
class CPreviewPanel;
class QAction;
class QComboBox;
class QLabel;
class QMimeData;
class QPlainTextEdit;
class QPushButton;

class CConvertDlg : public QDialog, public CConvertHost {
    Q_OBJECT

public:
    // Asks the user for one survey file; an empty text when cancelled.
    using FileChooser = std::function<QString(QWidget* pParent)>;
    // Asks for survey files, one or several; none when cancelled.
    using FilesChooser = std::function<QStringList(QWidget* pParent)>;
    // Shows one modal message with a single OK button.
    using MessageSink =
        std::function<void(QWidget* pParent, const QString& strCaption, const QString& strText)>;
    // Asks a question with Yes and No, No the default; TRUE for Yes.
    using QuestionSink =
        std::function<bool(QWidget* pParent, const QString& strCaption, const QString& strText)>;
    // Asks where to save a picture, strSuggested first; empty when cancelled.
    using PictureChooser = std::function<QString(QWidget* pParent, const QString& strSuggested)>;

    static constexpr const char* kTitle = CConvertCommand::kTitle;
    static constexpr const char* kAboutItem = CConvertCommand::kAboutItem;
    static constexpr const char* kSavePictureItem = "&Save Picture...";
    static constexpr const auto& kDirectionEntries = CConvertCommand::kDirectionEntries;
    // The keys of the actions whose controls show fixed texts, which a
    // mnemonic would change.
    static constexpr const char* kBrowseKey = "Ctrl+O";
    static constexpr const char* kConvertKey = "Ctrl+Return";
    static constexpr const char* kDirectionKey = "Ctrl+D";

    explicit CConvertDlg(QWidget* pParent = nullptr);

    // Tests put their own file choice and message display in place of the
    // file dialog and the message box.
    void SetFileChooser(FileChooser chooser);
    void SetFilesChooser(FilesChooser chooser) { m_chooser = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_sink = std::move(sink); }
    void SetQuestionSink(QuestionSink sink) { m_question = std::move(sink); }
    void SetPictureChooser(PictureChooser chooser) { m_pictureChooser = std::move(chooser); }

    // The file dialog of Browse, and the message box.
    static QString ChooseSurveyFile(QWidget* pParent);
    static QStringList ChooseSurveyFiles(QWidget* pParent);
    // A message box with one OK button, its icon by whether the message
    // reports a converted file.
    static void ShowMessageBox(QWidget* pParent, const QString& strCaption, const QString& strText,
                               bool bConverted);
    static bool AskYesNo(QWidget* pParent, const QString& strCaption, const QString& strText);
    // "SDP_B12.csv already exists in /data. Replace it?"
    static QString ReplaceQuestion(const QString& strOutput);

    // Selects a file as Browse does: the selection, the direction guessed
    // from its extension (or the format message), then the path on show.
    void SelectFile(const QString& strPath);

    const CConvertCommand& Command() const { return m_command; }
    const CPreviewPanel& Preview() const { return *m_pPreview; }
    COutputOptions& Options() const { return *m_pOptions; }

    // What the conversion command asks of its window.
    int GetDirection() override;
    void ShowMessage(CString strText) override;
    BOOL ConfirmReplace(CString strOutput) override;

public slots:
    void OnBrowse();
    void OnConvert();
    void OnAbout();
    // Saves the plot on show as a picture, in a file the user picks.
    void OnSavePicture();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    // Enter converts the selected file or browses for one; Escape cancels a
    // run over many files, or, when none runs, closes the window.
    void keyPressEvent(QKeyEvent* pEvent) override;
    // Closing during a run over many files cancels it and waits for the
    // files under way, so that none is left half-written.
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
#ifdef Q_OS_WIN
    void showEvent(QShowEvent* pEvent) override;
    bool nativeEvent(const QByteArray& eventType, void* pMessage, qintptr* pResult) override;
#endif

private:
    void CreateControls();
    // The direction box and Convert, on the second row.
    void CreateDirectionRow(const CDialogUnits& units);
    // Shortcuts and accessible names: every action can be reached without
    // a mouse, and every control is named for a screen reader.
    void AddKeyboardPaths();
    // The first size, and the least, within the screen's free area.
    void FitScreen();
    // The top rows follow the window's width, the preview fills the rest.
    void LayOutControls();
    // The window's least height leaves the preview the room it needs (a
    // summary under a list of files), within the screen.
    void KeepPreviewRoom();
    // The preview follows the selection and the direction.
    void OnDirectionChanged();
    // The TWI fields are shown when TWI files are to be converted: the
    // direction from TWI, or among several files chosen a TWI file or a folder.
    void ShowTwiFieldsFor();
    // Gives the command and the many files' run the output folder and the
    // TWI header items of the options; false, with the reason shown, when
    // they cannot be used.
    bool ApplyOptions();
    // The one local file of a drag, or an empty text.
    static QString DroppedFile(const QMimeData* pData);
    // The local files and folders of a drag; none when any is not local.
    static QStringList DroppedFiles(const QMimeData* pData);
    // Several files, or a folder: listed under the rows as ready, and
    // converted when Convert is pressed, never before.
    void ListMany(const QStringList& paths);
    // Converts them: false when an earlier run still goes.
    bool ConvertMany(const QStringList& paths);

    CConvertCommand m_command;
    QPlainTextEdit* m_pSelection = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QComboBox* m_cbDirection = nullptr;
    QPushButton* m_pConvert = nullptr;
    QLabel* m_pPicture = nullptr;
    QAction* m_pAboutAction = nullptr;
    QAction* m_pSavePictureAction = nullptr;
    COutputOptions* m_pOptions = nullptr;
    CPreviewPanel* m_pPreview = nullptr;
    FilesChooser m_chooser;
    MessageSink m_sink;
    QuestionSink m_question;
    PictureChooser m_pictureChooser;
    bool m_bSelecting = false;        // SelectFile previews once, after the direction is set
    QStringList m_manyReady;          // several files chosen, for Convert
    bool m_bShowingConverted = false; // the message on its way reports a converted file
    // Where the top rows sit in the narrowest window.
    QRect m_rcSelection;
    QRect m_rcBrowse;
    QRect m_rcPicture;
    int m_nBaseMinHeight = 0; // the least height without a preview's needs
    int m_nScreenHeight = 0;  // the most the screen's free area allows; 0: unknown
#ifdef Q_OS_WIN
    bool m_bSystemMenuReady = false;
#endif
};
