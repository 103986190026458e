#include "plot/FigureMarks.h"

TwistMarks MarksOfFigures(const SurveyFigures& figures) {
    TwistMarks marks;
    if (figures.bStations) {
        marks.largest = TwistStation{figures.dLargestDepth, figures.dLargestTwist, 0.0};
    }
    marks.limit = figures.limit;
    marks.overLimit = figures.overLimit;
    return marks;
}
