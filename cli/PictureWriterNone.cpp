// The batch converter of a build without the twist plot: --plot is refused.
#include "cli/PictureWriter.h"

std::unique_ptr<CPictureWriter> CPictureWriter::Create(std::string& strError) {
    strError = "option '--plot' is not available: this veltrane-convert was built without the "
               "twist plot (it needs Qt 6 Gui and Svg)";
    return nullptr;
}
