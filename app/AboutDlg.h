// The About box: the program's name, version and ownership. Modal; OK, Enter,
// Escape and the close button end it.
#pragma once

#include "VeltraneVersion.h"

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "About Veltrane";
    static constexpr const char* kName = VELTRANE_NAME_AND_VERSION;
    static constexpr const char* kNotice =
        "Copyright (C) 2026 Veltrane\nVersion " VELTRANE_VERSION_TEXT;

    explicit CAboutDlg(QWidget* pParent = nullptr);
};
