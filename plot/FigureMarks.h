// What a twist chart marks of a survey's figures: the largest twist of one
// interval, and with a limit, the limit and the intervals over it.
#pragma once

#include "convert/SurveySummary.h"
#include "plot/TwistChart.h"

TwistMarks MarksOfFigures(const SurveyFigures& figures);
