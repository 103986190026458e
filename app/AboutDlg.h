// The About box: the program's name, version and ownership. Modal; OK, Enter,
// Escape and the close button end it.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "About Veltrane";
    static constexpr const char* kName = "Veltrane Version 1.0";
    static constexpr const char* kNotice = "Copyright (C) 2026 Veltrane\nVersion 1.0.0";

    explicit CAboutDlg(QWidget* pParent = nullptr);
};
