// The pieces of veltrane-convert's log that its reports share: a message as
// the middle of a log line, and the JSON of --json.
#pragma once

#include "convert/SurveySummary.h"

#include <string>

// A sentence of a message as the middle of a log line: its first letter in
// lower case (unless it starts a name in capitals) and no full stop.
std::string Sentence(std::string text);

// A text as a JSON string: quotes, backslashes and control bytes escaped;
// other bytes as they are (names and texts are UTF-8 or ASCII).
std::string JsonString(const std::string& text);

// A number as JSON: as many decimals as it needs up to nDecimals; null for
// one that is not finite, which JSON cannot hold.
std::string JsonNumber(double dValue, int nDecimals);

// The figures of a survey as a JSON object: total twist, mean twist rate per
// 10 units of depth, the largest interval twist and its depth, the depth
// unit, and with a limit the intervals over it; null for a survey without
// a measured station.
std::string FiguresJson(const SurveyFigures& figures);
