// The number conversions of the data lines, one call at a time, beside the
// general path they replace for survey numbers (std::to_chars and
// std::from_chars, as NumberText used before its short exact paths) and the
// C library itself. The numbers are the survey files' own: depths of a 0.5
// interval, cumulative twist in tenths of a degree.
#include "survey/NumberText.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kCount = 1024; // a power of two: the index wraps with a mask

const std::vector<double>& Depths() {
    static const std::vector<double> values = [] {
        std::vector<double> depths;
        for (size_t i = 0; i < kCount; ++i) {
            depths.push_back(static_cast<double>(i % 600 + 1) * 0.5);
        }
        return depths;
    }();
    return values;
}

// Running sums of readings in tenths, as the writers print them.
const std::vector<double>& Twists() {
    static const std::vector<double> values = [] {
        std::mt19937 random(7);
        std::vector<double> twists;
        double dSum = 0.0;
        for (size_t i = 0; i < kCount; ++i) {
            dSum += 0.1 * static_cast<double>(static_cast<int>(random() % 21) - 10);
            twists.push_back(dSum);
        }
        return twists;
    }();
    return values;
}

// The texts of a TWI line and a CSV row: station depths, values, readings.
const std::vector<std::string>& Texts() {
    static const std::vector<std::string> values = [] {
        std::vector<std::string> texts;
        char text[64];
        for (size_t i = 0; i < kCount; ++i) {
            switch (i % 3) {
            case 0:
                std::snprintf(text, sizeof text, "%06.2f", Depths()[i]);
                break;
            case 1:
                std::snprintf(text, sizeof text, "     % .1f deg", Twists()[i]);
                break;
            default:
                std::snprintf(text, sizeof text, "%.1f,", Twists()[i]);
                break;
            }
            texts.emplace_back(text);
        }
        return texts;
    }();
    return values;
}

// The bodies NumberText had before its short exact paths, for comparison.
int PreviousToFixed(char* pBuffer, double dValue, int nDecimals) {
    auto result = std::to_chars(pBuffer, pBuffer + 64, dValue, std::chars_format::fixed, nDecimals);
    return static_cast<int>(result.ptr - pBuffer);
}

void PreviousFixed(std::string& strOut, double dValue, int nDecimals) {
    char buffer[64];
    strOut.append(buffer, static_cast<size_t>(PreviousToFixed(buffer, dValue, nDecimals)));
}

void PreviousZeroPadded(std::string& strOut, double dValue, int nWidth, int nDecimals) {
    char buffer[64];
    int nLength = PreviousToFixed(buffer, dValue, nDecimals);
    int nPad = nWidth - nLength;
    if (nPad <= 0) {
        strOut.append(buffer, static_cast<size_t>(nLength));
    } else {
        int nSign = buffer[0] == '-' ? 1 : 0; // the depths here are finite
        strOut.append(buffer, static_cast<size_t>(nSign));
        strOut.append(static_cast<size_t>(nPad), '0');
        strOut.append(buffer + nSign, static_cast<size_t>(nLength - nSign));
    }
}

void PreviousSpaceSigned(std::string& strOut, double dValue, int nDecimals) {
    char buffer[64];
    int nLength = PreviousToFixed(buffer, dValue, nDecimals);
    if (buffer[0] != '-') {
        strOut += ' ';
    }
    strOut.append(buffer, static_cast<size_t>(nLength));
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// The texts here are all plain decimals, which this reads in full: extent,
// then std::from_chars (the sscanf fallback for other texts is left out).
bool PreviousScan(const char*& pText, double& dValue) {
    const char* p = pText;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    const char* pStart = p;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    const char* pDigits = p;
    while (IsDigit(*p)) {
        ++p;
    }
    bool bDigits = p > pDigits;
    if (*p == '.') {
        const char* pFraction = ++p;
        while (IsDigit(*p)) {
            ++p;
        }
        bDigits = bDigits || p > pFraction;
    }
    bool bPlain = bDigits;
    if (bPlain && (*p == 'e' || *p == 'E')) {
        const char* pExponent = p + 1;
        if (*pExponent == '+' || *pExponent == '-') {
            ++pExponent;
        }
        bPlain = IsDigit(*pExponent);
        for (p = pExponent; IsDigit(*p);) {
            ++p;
        }
    }
    if (!bPlain || *p == 'x' || *p == 'X') {
        return false;
    }
    double dRead = 0.0;
    auto result = std::from_chars(*pStart == '+' ? pStart + 1 : pStart, p, dRead);
    if (result.ec != std::errc() || result.ptr != p) {
        dRead = std::strtod(pStart, nullptr);
    }
    dValue = dRead;
    pText = p;
    return true;
}

template <typename Format>
void RunFormat(benchmark::State& state, const std::vector<double>& values, Format format) {
    std::string strOut;
    strOut.reserve(64);
    size_t i = 0;
    for (auto _ : state) {
        strOut.clear();
        format(strOut, values[i++ & (kCount - 1)]);
        benchmark::DoNotOptimize(strOut.data());
    }
}

template <typename Scan> void RunScan(benchmark::State& state, Scan scan) {
    const std::vector<std::string>& texts = Texts();
    size_t i = 0;
    for (auto _ : state) {
        const char* p = texts[i++ & (kCount - 1)].c_str();
        double dValue = 0.0;
        benchmark::DoNotOptimize(scan(p, dValue));
        benchmark::DoNotOptimize(dValue);
    }
}

void Fixed1(benchmark::State& state) {
    RunFormat(state, Twists(), [](std::string& s, double v) { AppendFixed(s, v, 1); });
}
void Fixed1Previous(benchmark::State& state) {
    RunFormat(state, Twists(), [](std::string& s, double v) { PreviousFixed(s, v, 1); });
}
void Fixed1Printf(benchmark::State& state) {
    RunFormat(state, Twists(), [](std::string& s, double v) {
        char text[64];
        s.append(text, static_cast<size_t>(std::snprintf(text, sizeof text, "%.1f", v)));
    });
}

void SpaceSigned1(benchmark::State& state) {
    RunFormat(state, Twists(), [](std::string& s, double v) { AppendFixedSpaceSigned(s, v, 1); });
}
void SpaceSigned1Previous(benchmark::State& state) {
    RunFormat(state, Twists(), [](std::string& s, double v) { PreviousSpaceSigned(s, v, 1); });
}

void ZeroPadded2(benchmark::State& state) {
    RunFormat(state, Depths(), [](std::string& s, double v) { AppendFixedZeroPadded(s, v, 6, 2); });
}
void ZeroPadded2Previous(benchmark::State& state) {
    RunFormat(state, Depths(), [](std::string& s, double v) { PreviousZeroPadded(s, v, 6, 2); });
}

void Scan(benchmark::State& state) {
    RunScan(state, [](const char*& p, double& v) { return ScanDouble(p, v); });
}
void ScanPrevious(benchmark::State& state) {
    RunScan(state, [](const char*& p, double& v) { return PreviousScan(p, v); });
}
void ScanSscanf(benchmark::State& state) {
    RunScan(state, [](const char*& p, double& v) {
        int nConsumed = 0;
        bool bRead = std::sscanf(p, "%lf%n", &v, &nConsumed) == 1;
        p += nConsumed;
        return bRead;
    });
}

} // namespace

BENCHMARK(Fixed1);
BENCHMARK(Fixed1Previous);
BENCHMARK(Fixed1Printf);
BENCHMARK(SpaceSigned1);
BENCHMARK(SpaceSigned1Previous);
BENCHMARK(ZeroPadded2);
BENCHMARK(ZeroPadded2Previous);
BENCHMARK(Scan);
BENCHMARK(ScanPrevious);
BENCHMARK(ScanSscanf);

BENCHMARK_MAIN();
