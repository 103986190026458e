// The application: sets up Qt for Veltrane, runs the main window modally and
// ends when the window closes.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QString>

class CConvertApp {
public:
    // The arguments are not looked at: Veltrane opens no file by itself, and
    // Qt sees only the program's name, so no argument can change its looks.
    CConvertApp(int argc, char** argv);
    CConvertApp(const CConvertApp&) = delete;
    CConvertApp& operator=(const CConvertApp&) = delete;

    // Runs the main window until it closes; the process exit status.
    int InitInstance();

    // The caption of every message box: the executable's file name without
    // its extension, so that a renamed program speaks under its new name.
    static QString MessageCaption();

    // The application icon, and the picture at the right of the main window.
    static QIcon AppIcon();
    static QIcon PictureIcon();

private:
    int m_argc = 1;
    char* m_argv[2];
    QApplication m_app;
};
