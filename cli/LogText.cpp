#include "cli/LogText.h"

#include "survey/NumberText.h"

#include <cmath>

namespace {

// Twists and depths carry a few decimals; more are the noise of sums and
// differences (0.30000000000000004).
constexpr int kTwistDecimals = 6;
constexpr int kDepthDecimals = 6;
constexpr int kRateDecimals = 4;

} // namespace

std::string Sentence(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' &&
        !(text[1] >= 'A' && text[1] <= 'Z')) {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    while (!text.empty() && (text.back() == '.' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

std::string JsonString(const std::string& text) {
    std::string result = "\"";
    for (const char ch : text) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            result += '\\';
            result += ch;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            result += "\\u00";
            result += kHex[byte >> 4];
            result += kHex[byte & 15];
        } else {
            result += ch;
        }
    }
    return result + "\"";
}

std::string JsonNumber(double dValue, int nDecimals) {
    if (!std::isfinite(dValue)) {
        return "null";
    }
    std::string strText;
    AppendFixed(strText, dValue, nDecimals);
    if (strText.find('.') != std::string::npos) {
        while (strText.back() == '0') {
            strText.pop_back();
        }
        if (strText.back() == '.') {
            strText.pop_back();
        }
    }
    // A value that rounds to zero shows no sign.
    return strText == "-0" ? "0" : strText;
}

std::string FiguresJson(const SurveyFigures& figures) {
    if (!figures.bStations) {
        return "null";
    }
    std::string json =
        "{\"total_twist\":" + JsonNumber(figures.dTotalTwist, kTwistDecimals) +
        ",\"mean_rate_per_10\":" + JsonNumber(figures.dRatePer10, kRateDecimals) +
        ",\"largest_twist\":" + JsonNumber(figures.dLargestTwist, kTwistDecimals) +
        ",\"largest_twist_depth\":" + JsonNumber(figures.dLargestDepth, kDepthDecimals) +
        ",\"depth_unit\":" + JsonString(figures.strDepthUnits);
    if (figures.limit) {
        json += ",\"limit\":" + JsonNumber(*figures.limit, kTwistDecimals) + ",\"over_limit\":[";
        for (size_t i = 0; i < figures.overLimit.size(); ++i) {
            const TwistStation& station = figures.overLimit[i];
            json += std::string(i > 0 ? "," : "") +
                    "{\"depth\":" + JsonNumber(station.dDepth, kDepthDecimals) +
                    ",\"twist\":" + JsonNumber(station.dTwist, kTwistDecimals) + "}";
        }
        json += "]";
    }
    return json + "}";
}
