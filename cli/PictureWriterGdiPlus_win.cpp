// PNG pictures on Windows: the chart drawn with GDI+ and encoded by the
// system's own PNG encoder.
#include "cli/PictureWriter.h"
#include "convert/PictureFile.h"

#include "plot/CompareChart.h"
#include "plot/GdiPlusChartPainter_win.h"
#include "plot/TwistChart.h"

namespace {

class CGdiPlusPictureWriter : public CPictureWriter {
public:
    bool Started() const { return m_session.IsStarted(); }

    bool Write(const CPlotDataObj& data, const std::string& strName, const std::string& strPath,
               std::string& strError) override {
        const CTwistChart chart(CTwistProfile::FromSurvey(data), strName);
        if (!CanDraw(chart, strError)) {
            return false;
        }
        std::string bytes;
        if (!CGdiPlusChartPainter::Png(chart, CTwistChart::kDefaultWidth,
                                       CTwistChart::kDefaultHeight, bytes)) {
            strError = "the picture could not be drawn";
            return false;
        }
        return CPictureFile::WriteBytes(strPath.c_str(), bytes, strError);
    }

    bool WriteComparison(const CSurveyComparison& comparison, const std::string& strPath,
                         std::string& strError) override {
        const CCompareChart chart(comparison);
        std::string bytes;
        if (!CGdiPlusChartPainter::Png(chart, CCompareChart::kDefaultWidth,
                                       CCompareChart::kDefaultHeight, bytes)) {
            strError = "the picture could not be drawn";
            return false;
        }
        return CPictureFile::WriteBytes(strPath.c_str(), bytes, strError);
    }

private:
    CGdiPlusSession m_session;
};

} // namespace

std::vector<std::string> SystemPictureTypes() {
    return {"png"};
}

std::unique_ptr<CPictureWriter> CreateSystemPictureWriter(std::string& strError) {
    auto pWriter = std::make_unique<CGdiPlusPictureWriter>();
    if (!pWriter->Started()) {
        strError = "option '--plot' is not available: the system's drawing (GDI+) did not start";
        return nullptr;
    }
    return pWriter;
}
