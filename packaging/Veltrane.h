// Everything a program needs to read, convert and write spiral surveys with
// the Veltrane core: the survey record, the KVN CSV and TWI converters, the
// conversion command with its batch engine, and the version.
//
// The core's class names are short and global (CString, CFile, CTime, ...),
// as its own code uses them; include this in the sources that convert, not in
// a header of your own that the rest of a program sees.
#pragma once

#include "VeltraneVersion.h"
#include "convert/BatchEngine.h"
#include "convert/ConvertCommand.h"
#include "convert/SurveySummary.h"
#include "formats/SurveyStatus.h"
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "survey/Diagnostics.h"
#include "survey/PlotDataObj.h"
#include "survey/PlotSettings.h"
#include "survey/TwistProfile.h"
