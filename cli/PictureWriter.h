// Draws the twist profile of a survey record into a picture file for
// veltrane-convert --plot. SVG is written by our own code in every build;
// PNG and PDF need the system's drawing (Qt on Linux, loaded only for them;
// GDI+ on Windows). This header needs neither, so the batch converter stays
// free of both.
#pragma once

#include "plot/TwistChart.h"
#include "survey/PlotDataObj.h"

#include <memory>
#include <string>
#include <vector>

class CSurveyComparison;
class CTwistChart;
// What a picture is asked to be (its size, a PDF's paper) and to mark.
struct PictureRequest {
    PictureFormat format;
    TwistMarks marks;
};

class CPictureWriter {
public:
    virtual ~CPictureWriter() = default;

    // The picture types this program can write, in the order the help lists
    // them: "svg", then those of the system's drawing.
    static std::vector<std::string> Types();
    // "svg, png or pdf": the types in a sentence.
    static std::string TypesText();

    // A writer for strType, one of Types(). Null, with strError saying why,
    // when the system's drawing could not be started.
    static std::unique_ptr<CPictureWriter> Create(const std::string& strType,
                                                  std::string& strError);

    // Draws the record's twist profile into strPath, as request asks.
    // strName stands in the title when the survey names no borehole. False,
    // with strError saying why, when the picture could not be written; an
    // earlier picture of that name is then left as it was.
    virtual bool Write(const CPlotDataObj& data, const std::string& strName,
                       const PictureRequest& request, const std::string& strPath,
                       std::string& strError) = 0;
    // Draws repeat surveys over each other into strPath (--compare), at the
    // size request asks; false, with strError saying why, when the picture
    // could not be written.
    virtual bool WriteComparison(const CSurveyComparison& comparison, const PictureRequest& request,
                                 const std::string& strPath, std::string& strError) = 0;

protected:
    // False, with strError saying why, when the survey gives no profile.
    static bool CanDraw(const CTwistChart& chart, std::string& strError);
};

// What the system's drawing adds, from the file of this build: its types
// (png, pdf) and its writer.
std::vector<std::string> SystemPictureTypes();
std::unique_ptr<CPictureWriter> CreateSystemPictureWriter(std::string& strError);
