// The application: sets up Qt for Veltrane, runs the main window modally and
// ends when the window closes.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QString>

class CConvertApp {
public:
    // Qt sees only the program's name, so no argument can change the looks;
    // the one argument Veltrane takes, a file to open, it takes itself.
    CConvertApp(int argc, char** argv);
    CConvertApp(const CConvertApp&) = delete;
    CConvertApp& operator=(const CConvertApp&) = delete;

    // Runs the main window until it closes; the process exit status.
    int InitInstance();

    // The file to open at the start, "veltrane FILE" as a file manager runs
    // it: the first argument that is not an option (one starting with "-",
    // up to "--"), as an absolute path; a file:// address gives its file.
    // Empty when there is none.
    static QString StartFile(int argc, char** argv);
    // Runs the main window with strFile selected and previewed (none when
    // empty) until it closes.
    static int RunMainWindow(const QString& strFile);

    // The caption of every message box: the executable's file name without
    // its extension, so that a renamed program speaks under its new name.
    static QString MessageCaption();

    // The application icon, and the picture at the right of the main window.
    static QIcon AppIcon();
    static QIcon PictureIcon();

private:
    QString m_strStartFile;
    int m_argc = 1;
    char* m_argv[2];
    QApplication m_app;
};
