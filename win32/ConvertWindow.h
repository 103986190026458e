// The Windows window: a native dialog (template IDD_VELTRANE_DIALOG) over the
// conversion command, for Windows, where the Qt window of app/ needs a Qt kit
// this build does not have. It only shows and asks: what a press of Convert
// does is the command's, exactly as for the Qt window and veltrane-convert.
#pragma once

#include "convert/ConvertCommand.h"

#include <string>

class CConvertWindow : public CConvertHost {
public:
    // Runs the dialog until it is closed; strStartFile (UTF-8), when not
    // empty, is selected first, as a file dropped on the window is (Windows
    // passes the file of "Open with" or of a drop on the program's icon so).
    int Run(const std::string& strStartFile);

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
    void OnInitDialog();
    void OnBrowse();
    void OnAbout();
    // Selects a file as Browse does: the selection, the direction guessed
    // from its extension (or the format message), then the path on show.
    void SelectFile(const std::string& strPath);

    CConvertCommand m_command{*this};
    Handle m_hDlg = nullptr;
    std::string m_strStartFile;
};
