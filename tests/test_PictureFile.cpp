// Picture files are put in place whole or not at all, on both systems.
#include "convert/PictureFile.h"

#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// The bytes of a file named in UTF-8, which Windows' narrow paths do not take.
std::string ReadUtf8Named(const std::string& path) {
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST(PictureFile, WrittenWholeOrTheEarlierFileKept) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.svg");
    WriteBytes(dir / "earlier.png", "an earlier picture");
    struct {
        std::string name;
        bool written;
        std::string after; // the target's bytes afterwards, "" for none
    } cases[] = {
        {"new.svg", true, "<svg/>"},
        {"earlier.png", true, "<svg/>"},   // replaced
        {"no/such/folder.png", false, ""}, // the folder is missing
        {"folder.svg", false, ""},         // a folder is never replaced
        {"\xD0\xA1\xD0\xBA\xD0\xB2.svg", true, "<svg/>"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(CPictureFile::SaveBytes((dir / c.name).c_str(), "<svg/>", error) != FALSE,
                  c.written)
            << c.name;
        EXPECT_EQ(error.empty(), c.written) << c.name << ": " << error;
        if (!c.after.empty()) {
            EXPECT_EQ(ReadUtf8Named(dir / c.name), c.after) << c.name;
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.svg"));
    // Only the pictures and the folder: no temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}
