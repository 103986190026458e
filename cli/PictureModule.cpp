// Finds and loads the picture module of veltrane-convert --plot png and pdf:
// beside the program in a build, in the library folder once installed.
#include "cli/PictureWriter.h"

#include <dlfcn.h>
#include <limits.h>
#include <string>
#include <unistd.h>

namespace {

using PictureWriterFactory = CPictureWriter* (*)();

// The folder of the running program, with its separator.
std::string ProgramFolder() {
    char szPath[PATH_MAX];
    const ssize_t nLength = ::readlink("/proc/self/exe", szPath, sizeof szPath - 1);
    if (nLength <= 0) {
        return std::string();
    }
    std::string path(szPath, static_cast<size_t>(nLength));
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

std::vector<std::string> SystemPictureTypes() {
    return {"png", "pdf"};
}

std::unique_ptr<CPictureWriter> CreateSystemPictureWriter(std::string& strError) {
    const std::string folder = ProgramFolder();
    std::string why;
    for (const char* pszPlace : {"", VELTRANE_PICTURE_MODULE_INSTALLED}) {
        const std::string path = folder + pszPlace + VELTRANE_PICTURE_MODULE;
        void* pModule = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (pModule == nullptr) {
            why = ::dlerror();
            continue;
        }
        // The module stays loaded for the rest of the program: Qt does not
        // take kindly to being unloaded.
        auto factory =
            reinterpret_cast<PictureWriterFactory>(::dlsym(pModule, "VeltraneNewPictureWriter"));
        if (factory != nullptr) {
            return std::unique_ptr<CPictureWriter>(factory());
        }
        why = path + " is not a picture module of veltrane-convert";
    }
    strError =
        "option '--plot' is not available: the picture module could not be loaded (" + why + ")";
    return nullptr;
}
