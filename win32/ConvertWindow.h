// The Windows window: a native dialog (template IDD_VELTRANE_DIALOG) over the
// conversion command, for Windows, where the Qt window of app/ needs a Qt kit
// this build does not have. It only shows and asks: what a press of Convert
// does is the command's, exactly as for the Qt window and veltrane-convert.
#pragma once

#include "convert/ConvertCommand.h"
#include "plot/GdiPlusChartPainter_win.h"
#include "win32/AccessibleNames.h"
#include "win32/OutputOptions.h"
#include "win32/PreviewPane.h"
#include "win32/ResultsList.h"

#include <string>
#include <vector>

class CConvertWindow : public CConvertHost {
public:
    // Runs the dialog until it is closed; the files given (UTF-8) are taken
    // first as files dropped on the window are: one is selected, several or
    // a folder are listed for Convert (Windows passes the file of "Open
    // with", or those dropped on the program's icon, so).
    int Run(const std::vector<std::string>& startFiles);

    // What the conversion command asks of its window.
    int GetDirection() override;
    void ShowMessage(CString strText) override;
    BOOL ConfirmReplace(CString strOutput) override;

    // "SDP_B12.csv already exists in C:\data. Replace it?"
    static std::wstring ReplaceQuestion(const std::wstring& strOutput);

private:
    // The dialog procedure, which hands the window's messages to OnMessage.
    friend class CConvertWindowProc;
    // The window's handle, kept as a plain pointer so that this header needs
    // no system header.
    using Handle = void*;

    bool OnMessage(unsigned int nMessage, unsigned long long wParam, long long lParam);
    bool OnCommand(unsigned int nCommand, unsigned int nNotification);
    void OnGetMinMaxInfo(void* pMinMaxInfo);
    void OnDpiChanged(const void* pSuggestedRect);
    void OnInitDialog();
    void OnBrowse();
    void OnAbout();
    // One file is selected, for Convert; several, or a folder, are listed
    // as ready, and converted when Convert is pressed, never before.
    void OpenFiles(const std::vector<std::string>& paths);
    void ListMany(const std::vector<std::string>& paths);
    void ConvertMany(const std::vector<std::string>& paths);
    // Convert: the files listed as ready, or else the selected file.
    void OnConvert();
    // Enter away from a push button: converts what is selected or listed,
    // or browses when nothing is.
    void OnEnter();
    // The message loop's keys: Enter and Escape as the window has them;
    // true for a key it took.
    bool OnKey(const void* pMsg);
    // Tooltips that name the keys of Browse, the direction, Convert and the
    // picture, whose texts stay as they are.
    void AddKeyTips();
    // Shows a survey in the preview, and describes the plot by its summary.
    void ShowPreview(const std::string& strPath, int nDirection, const std::string& strNote = {});
    // The size the window opens with: the template's width and room for the
    // preview, within the work area of the window's monitor, centred there.
    void FitWorkArea();
    void ShowMessageText(const std::wstring& strText, unsigned int nIcon);
    // Ends a run over many files, once the files under way are in place, and
    // closes the window.
    void Close();
    // Selects a file as Browse does: the selection, the direction guessed
    // from its extension (or the format message), then the path on show.
    void SelectFile(const std::string& strPath);
    // The top rows follow the window's width; the preview takes the rest.
    void OnSize();
    void OnSavePicture();
    // The TWI fields show for a conversion of TWI sources: the direction of
    // the selected file, or any .twi file or folder listed.
    void ShowTwiFieldsFor();
    // Gives the conversion the options as the window shows them; false, the
    // reason shown, when they cannot stand.
    bool ApplyOptions();

    CConvertCommand m_command{*this};
    CGdiPlusSession m_gdiplus; // before the preview, which draws with it
    COutputOptions m_options;
    CPreviewPane m_preview;
    CResultsList m_results; // after the preview, which its rows show
    CAccessibleNames m_names;
    Handle m_hDlg = nullptr;
    std::vector<std::string> m_startFiles;
    // Several files or folders chosen, waiting for Convert; Convert again
    // converts them again (finding them up to date), as it does one file.
    std::vector<std::string> m_readyPaths;
};
