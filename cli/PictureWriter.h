// Draws the twist profile of a survey record into a picture file for
// veltrane-convert --plot. The drawing needs Qt; this header does not, so the
// batch converter stays free of Qt, and a build without the twist plot
// refuses --plot instead.
#pragma once

#include "survey/PlotDataObj.h"

#include <memory>
#include <string>

class CPictureWriter {
public:
    virtual ~CPictureWriter() = default;

    // A writer; what drawing needs (Qt, on its offscreen platform unless
    // QT_QPA_PLATFORM names another) starts with the first picture. Null,
    // with strError saying why, when this program was built without the
    // twist plot.
    static std::unique_ptr<CPictureWriter> Create(std::string& strError);

    // Draws the record's twist profile into strPath; the extension (.png,
    // .svg or .pdf) gives the kind of picture. strName stands in the title
    // when the survey names no borehole. False, with strError saying why,
    // when the picture could not be written; an earlier picture of that name
    // is then left as it was.
    virtual bool Write(const CPlotDataObj& data, const std::string& strName,
                       const std::string& strPath, std::string& strError) = 0;
};
