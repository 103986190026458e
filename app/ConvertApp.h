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

    // "veltrane --help" and "veltrane --version" (before "--"): prints the
    // usage or the version to standard output and returns the exit status 0,
    // without opening a window or needing a display. -1 when neither is
    // given, and the window opens.
    static int AnswerInfoOption(int argc, char** argv);
    static constexpr const char* kUsage =
        "Usage: veltrane [FILE]\n"
        "Open the Veltrane window, which converts spiral surveys between KVN CSV\n"
        "(SDP_*.csv) and TWI (*.twi) files. FILE, when given, is selected and shown.\n"
        "\n"
        "  --help       show this help and exit\n"
        "  --version    show the version and exit\n"
        "  --           end the options: the next argument is FILE, even if it\n"
        "               starts with '-'\n"
        "\n"
        "Other options, Qt's own among them, are not taken. veltrane-convert converts\n"
        "files without a window.\n";

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
