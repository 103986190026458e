// Under the conversion row of the Windows window: where the outputs go,
// beside each source (the default) or into a chosen folder, remembered
// between runs in %APPDATA%\Veltrane\settings.txt (never the registry);
// and, for a TWI source, the KVN
// CSV header items its file does not carry (site, borehole, depth unit), as
// veltrane-convert's --site, --borehole and --depth-unit give them. The rule
// and its sentences are the conversion's (CTwiHeaderItems); a text it would
// refuse is named under the fields as it is typed.
#pragma once

#include "convert/ConvertCommand.h"

#include <string>

class COutputOptions {
public:
    // The entry of the depth-unit box that leaves the TWI reader's choice.
    static constexpr const char* kUnitByInterval = "by the interval";

    // Creates the controls in the dialog hDlg, the TWI fields hidden, and
    // takes the output choice remembered.
    void Create(void* hDlg);
    void UseDialogFont();
    // Places them from nTop, in the dialog's pixels; the top of what follows.
    int Layout(int nLeft, int nTop, int nRight);

    // Shown for a conversion of TWI sources only; true when that changed.
    bool ShowTwiFields(bool bShow);
    bool TwiFieldsShown() const { return m_bTwiShown; }
    // A field was edited: the problem under them follows; true when it
    // changed, so that the window lays out again.
    bool OnFieldEdited();

    // The TWI header items the conversion is given (none while the fields
    // are hidden: a KVN CSV source carries its own). False, with strProblem
    // the message to show, when a field would not read back as typed.
    bool Collect(CTwiHeaderItems& items, std::wstring& strProblem) const;
    // The folder the outputs go into (empty: beside each source). False, with
    // strProblem the message to show, when none is chosen or it is no folder.
    bool CollectFolder(CString& strFolder, std::wstring& strProblem) const;

    // The dialog's commands for the output row; true for one it took.
    bool OnCommand(unsigned int nCommand, unsigned int nNotification);

    // The file the choice is kept in: %APPDATA%\Veltrane\settings.txt.
    static std::wstring SettingsPath();

private:
    void ChooseFolder();
    void ShowChoice(bool bInFolder, const std::wstring& strFolder);
    void Remember() const;
    void Recall();
    std::wstring Problem(CTwiHeaderItems& items) const;
    std::string FieldText(int nControl) const;

    void* m_hDlg = nullptr;
    bool m_bTwiShown = false;
    bool m_bInFolder = false;
    std::wstring m_strFolder;  // kept while outputs go beside their sources
    std::wstring m_strProblem; // on show under the fields
};
