// The PNG and PDF pictures of veltrane-convert --plot, drawn with Qt in a
// module of their own (see PictureModule.cpp), so that a conversion without
// them never loads Qt: a call that starts in 3 ms instead of 20 ms, which a
// script that converts file by file feels.
#include "cli/PictureWriter.h"

#include "plot/ComparePlot.h"
#include "plot/TwistPlot.h"
#include "survey/TwistProfile.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt's notes about its own set-up (no XDG_RUNTIME_DIR, say) would mix into
// the converter's report; a picture that fails says why through Save. Only
// Qt's serious messages get through.
void SeriousQtMessagesOnly(QtMsgType nType, const QMessageLogContext& /*context*/,
                           const QString& strMessage) {
    if (nType == QtCriticalMsg || nType == QtFatalMsg) {
        std::fprintf(stderr, "veltrane-convert: %s\n", qPrintable(strMessage));
    }
}

class CPlotPictureWriter : public CPictureWriter {
public:
    bool Write(const CPlotDataObj& data, const std::string& strName, const PictureRequest& request,
               const std::string& strPath, std::string& strError) override {
        StartQt();
        CTwistPlot plot(CTwistProfile::FromSurvey(data), QFile::decodeName(strName.c_str()));
        plot.SetMarks(request.marks);
        QString strWhy;
        if (plot.Save(QFile::decodeName(strPath.c_str()), &strWhy, request.format)) {
            return true;
        }
        strError = strWhy.toLocal8Bit().toStdString();
        return false;
    }

    bool WriteComparison(const CSurveyComparison& comparison, const PictureRequest& request,
                         const std::string& strPath, std::string& strError) override {
        StartQt();
        const CComparePlot plot(comparison);
        QString strWhy;
        if (plot.Save(QFile::decodeName(strPath.c_str()), &strWhy, request.format)) {
            return true;
        }
        strError = strWhy.toLocal8Bit().toStdString();
        return false;
    }

private:
    // Qt starts with the first picture, not before: a call whose surveys
    // cannot be read never starts it.
    void StartQt() {
        if (QCoreApplication::instance() == nullptr) {
            // Pictures need no display. A platform the user chose is kept.
            ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
            qInstallMessageHandler(SeriousQtMessagesOnly);
            m_pApp = std::make_unique<QGuiApplication>(m_argc, m_argv);
        }
    }

    // Qt sees the program's name only, as the window does.
    int m_argc = 1;
    char m_szName[17] = "veltrane-convert";
    char* m_argv[2] = {m_szName, nullptr};
    std::unique_ptr<QGuiApplication> m_pApp;
};

} // namespace

// The one entry of the picture module: veltrane-convert loads the module,
// and with it Qt, only for --plot.
extern "C" __attribute__((visibility("default"))) CPictureWriter* VeltraneNewPictureWriter() {
    return new CPlotPictureWriter();
}
