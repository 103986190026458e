#include "app/ConvertApp.h"

int main(int argc, char** argv) {
    CConvertApp app(argc, argv);
    return app.InitInstance();
}
