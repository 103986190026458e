// Under the conversion row of the Windows window, for a TWI source: the KVN
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

    // Creates the controls in the dialog hDlg, hidden.
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

private:
    std::wstring Problem(CTwiHeaderItems& items) const;
    std::string FieldText(int nControl) const;

    void* m_hDlg = nullptr;
    bool m_bTwiShown = false;
    std::wstring m_strProblem; // on show under the fields
};
