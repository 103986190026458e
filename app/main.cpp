#include "app/ConvertApp.h"
#include "platform/TempFiles.h"

int main(int argc, char** argv) {
    const int nInfoStatus = CConvertApp::AnswerInfoOption(argc, argv);
    if (nInfoStatus >= 0) {
        return nInfoStatus;
    }
    // Ended by the session or a kill midway, the window leaves no hidden
    // temporary file behind.
    RemoveTempFilesOnSignals();
    CConvertApp app(argc, argv);
    return app.InitInstance();
}
