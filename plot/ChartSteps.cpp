#include "plot/ChartSteps.h"

void CChartPainter::Paint(const ChartSteps& steps) {
    for (const ChartStep& step : steps) {
        switch (step.nKind) {
        case ChartStepKind::fill:
            Fill(step);
            break;
        case ChartStepKind::frame:
            Frame(step);
            break;
        case ChartStepKind::line:
            Line(step);
            break;
        case ChartStepKind::polyline:
            Polyline(step);
            break;
        case ChartStepKind::markers:
            Markers(step);
            break;
        case ChartStepKind::text:
            Text(step);
            break;
        }
    }
}
