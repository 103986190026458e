// veltrane-convert built without the twist plot for Qt: SVG pictures only.
#include "cli/PictureWriter.h"

std::vector<std::string> SystemPictureTypes() {
    return {};
}

std::unique_ptr<CPictureWriter> CreateSystemPictureWriter(std::string& strError) {
    strError = "this veltrane-convert draws SVG pictures only";
    return nullptr;
}
