// Small helpers shared by the tests: a temporary folder that cleans up after
// itself, whole-file reads and writes, lines with CR LF, a survey record
// built in memory, and a pinned time zone.
#pragma once

#include "platform/CTime.h"
#include "survey/PlotDataObj.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include "TestSupport_win.h"
#else
#include <sys/wait.h>
#endif

namespace testing_support {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "veltrane-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (made == nullptr) {
            // Without its own folder a test would write beside the pattern, or
            // into "/" through operator/: stop the test program instead.
            std::fprintf(stderr, "TempDir: cannot make a folder like %s: %s\n", pattern.c_str(),
                         std::strerror(errno));
            std::abort();
        }
        m_path = made;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string DataPath(const std::string& name) {
    return std::string(VELTRANE_TEST_DATA_DIR) + "/" + name;
}

using Lines = std::vector<std::string>;

// Joins lines with CR LF after each, as the survey writers end them.
inline std::string JoinCrLf(const Lines& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// The lines of a text whose lines end with CR LF; a last line without one is
// left out.
inline Lines SplitCrLf(const std::string& text) {
    Lines lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// A loaded spiral survey in degrees with the twist of each interval in slots
// 0, 1, 2 ..., read on 12 February 2010 at 20:28:45 local time.
inline void MakeSpiralSurvey(CPlotDataObj& data, double depth, double interval,
                             const std::vector<double>& twists, const char* depthUnits = "feet") {
    data.m_nFileType = 1;
    data.m_timeReading = CTime(2010, 2, 12, 20, 28, 45);
    data.m_dBottomDepth = depth;
    data.m_dInterval = interval;
    data.m_strDepthUnits = depthUnits;
    data.m_strReadingUnits = "degrees";
    data.m_nReadingUnits = 7;
    data.AllocateGrid();
    for (double twist : twists) {
        data.AddReading(twist, 0.0, 0.0, 0.0);
    }
}

// The diagnostics as "E22 W8": the severity and line of each, in order.
inline std::string DiagnosticLines(const CDiagnosticList& list) {
    std::string text;
    for (int i = 0; i < list.GetSize(); ++i) {
        const CDiagnostic& d = list.GetAt(i);
        text += (text.empty() ? "" : " ") +
                std::string(d.m_nSeverity == severityError ? "E" : "W") + std::to_string(d.m_nLine);
    }
    return text;
}

// Slots 0 to nCount - 1 of a series.
inline std::vector<double> Series(const std::unique_ptr<double[]>& series, int nCount) {
    return std::vector<double>(series.get(), series.get() + nCount);
}

#ifndef _WIN32 // the tests that run programs through sh are POSIX only
// How a program run through the shell ended, and what it wrote.
struct ProgramRun {
    int status; // the exit status; -1 when it did not exit
    std::string out;
    std::string err;
};

// Runs a shell command line in a folder with the time zone pinned to UTC,
// and takes what it writes to stdout and stderr.
inline ProgramRun RunInFolder(const std::string& folder, const std::string& commandLine) {
    TempDir capture;
    std::string command = "cd '" + folder + "' && TZ=UTC0 " + commandLine + " > '" +
                          (capture / "out") + "' 2> '" + (capture / "err") + "'";
    int raw = std::system(command.c_str());
    return ProgramRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(capture / "out"),
                      ReadBytes(capture / "err")};
}
#endif

// POSIX zone rules need no zone database: UTC, and central Europe with its
// daylight-saving changes on the last Sundays of March and October.
constexpr const char* kZoneUtc = "UTC0";
constexpr const char* kZoneCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// Sets TZ for the lifetime of the object and restores it afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        m_hadOld = old != nullptr;
        if (old) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_hadOld) {
            ::setenv("TZ", m_old.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    bool m_hadOld = false;
    std::string m_old;
};

} // namespace testing_support
