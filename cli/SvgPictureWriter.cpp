// The picture writer of veltrane-convert --plot: SVG by our own code, the
// other types through the system's drawing.
#include "cli/PictureWriter.h"
#include "convert/PictureFile.h"

#include "plot/CompareChart.h"
#include "plot/SvgChartPainter.h"
#include "plot/TwistChart.h"

namespace {

class CSvgPictureWriter : public CPictureWriter {
public:
    bool Write(const CPlotDataObj& data, const std::string& strName, const PictureRequest& request,
               const std::string& strPath, std::string& strError) override {
        CTwistChart chart(CTwistProfile::FromSurvey(data), strName);
        chart.SetMarks(request.marks);
        return CanDraw(chart, strError) && WriteSvg(chart, request.format, strPath, strError);
    }

    bool WriteComparison(const CSurveyComparison& comparison, const PictureRequest& request,
                         const std::string& strPath, std::string& strError) override {
        return WriteSvg(CCompareChart(comparison), request.format, strPath, strError);
    }

private:
    template <class TChart>
    static bool WriteSvg(const TChart& chart, const PictureFormat& format,
                         const std::string& strPath, std::string& strError) {
        const PictureExtent extent = CPictureSize::Extent(PictureKind::svg, format);
        return CPictureFile::WriteBytes(strPath.c_str(),
                                        CSvgChartPainter::Picture(chart,
                                                                  static_cast<int>(extent.dWidth),
                                                                  static_cast<int>(extent.dHeight)),
                                        strError);
    }
};

} // namespace

std::vector<std::string> CPictureWriter::Types() {
    std::vector<std::string> types = {"svg"};
    for (const std::string& strType : SystemPictureTypes()) {
        types.push_back(strType);
    }
    return types;
}

std::string CPictureWriter::TypesText() {
    const std::vector<std::string> types = Types();
    std::string strText = types[0];
    for (size_t i = 1; i < types.size(); ++i) {
        strText += (i + 1 == types.size() ? " or " : ", ") + types[i];
    }
    return strText;
}

std::unique_ptr<CPictureWriter> CPictureWriter::Create(const std::string& strType,
                                                       std::string& strError) {
    if (strType == "svg") {
        return std::make_unique<CSvgPictureWriter>();
    }
    return CreateSystemPictureWriter(strError);
}

bool CPictureWriter::CanDraw(const CTwistChart& chart, std::string& strError) {
    if (chart.Profile().m_nStatus != profileReady) {
        strError = CTwistProfile::StatusText(chart.Profile().m_nStatus);
        return false;
    }
    return true;
}
