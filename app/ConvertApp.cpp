#include "app/ConvertApp.h"

#include "app/ConvertDlg.h"

#include "VeltraneVersion.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QUrl>

#include <cstdio>
#include <cstring>

namespace {

// Renders a vector icon at the sizes desktops ask for, so that it stays
// sharp in title bars, task bars and menus alike.
QIcon RenderIcon(const QString& strResource) {
    QSvgRenderer renderer(strResource);
    QIcon icon;
    for (int nSize : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(nSize, nSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Qt's name for the program when the system passed none.
char g_szDefaultName[] = "veltrane";

} // namespace

CConvertApp::CConvertApp(int argc, char** argv)
    : m_strStartFile(StartFile(argc, argv)), m_argv{argc > 0 && argv[0] ? argv[0] : g_szDefaultName,
                                                    nullptr},
      m_app(m_argc, m_argv) {
    QApplication::setWindowIcon(AppIcon());
    // Lets a desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELTRANE_APP_ID));
}

int CConvertApp::InitInstance() {
    return RunMainWindow(m_strStartFile);
}

int CConvertApp::AnswerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            break;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts(VELTRANE_NAME_AND_VERSION);
            return 0;
        }
    }
    return -1;
}

QString CConvertApp::StartFile(int argc, char** argv) {
    bool bOptionsEnded = false;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const QByteArray arg(argv[i]);
        if (!bOptionsEnded && arg == "--") {
            bOptionsEnded = true;
        } else if (bOptionsEnded || !arg.startsWith('-')) {
            const QString strArg = QFile::decodeName(arg);
            const QUrl url(strArg);
            const QString strPath =
                arg.startsWith("file:") && url.isLocalFile() ? url.toLocalFile() : strArg;
            return strPath.isEmpty() ? QString() : QFileInfo(strPath).absoluteFilePath();
        }
    }
    return QString();
}

int CConvertApp::RunMainWindow(const QString& strFile) {
    CConvertDlg dlg;
    if (!strFile.isEmpty()) {
        dlg.SelectFile(strFile);
    }
    dlg.exec();
    return 0;
}

QString CConvertApp::MessageCaption() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QIcon CConvertApp::AppIcon() {
    return RenderIcon(QStringLiteral(":/icons/veltrane.svg"));
}

QIcon CConvertApp::PictureIcon() {
    return RenderIcon(QStringLiteral(":/icons/casing.svg"));
}
