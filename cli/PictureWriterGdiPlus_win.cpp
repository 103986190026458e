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

    bool Write(const CPlotDataObj& data, const std::string& strName, const PictureRequest& request,
               const std::string& strPath, std::string& strError) override {
        CTwistChart chart(CTwistProfile::FromSurvey(data), strName);
        chart.SetMarks(request.marks);
        return CanDraw(chart, strError) && WritePng(chart, request.format, strPath, strError);
    }

    bool WriteComparison(const CSurveyComparison& comparison, const PictureRequest& request,
                         const std::string& strPath, std::string& strError) override {
        return WritePng(CCompareChart(comparison), request.format, strPath, strError);
    }

private:
    // Either chart encoded by the system and put in place as pictures are.
    template <class TChart>
    static bool WritePng(const TChart& chart, const PictureFormat& format,
                         const std::string& strPath, std::string& strError) {
        const PictureExtent extent = CPictureSize::Extent(PictureKind::png, format);
        std::string bytes;
        if (!CGdiPlusChartPainter::Png(chart, static_cast<int>(extent.dWidth),
                                       static_cast<int>(extent.dHeight), bytes)) {
            strError = "the picture could not be drawn";
            return false;
        }
        return CPictureFile::WriteBytes(strPath.c_str(), bytes, strError);
    }

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
