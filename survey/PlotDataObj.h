// The one in-memory form of a survey: header items, comment lines and the
// readings on a fixed depth grid. Slot k of every series stands for depth
// (k + 1) x m_dInterval; no depth is stored per reading.
#pragma once

#include "platform/CString.h"
#include "platform/CStringArray.h"
#include "platform/CTime.h"
#include "platform/Types.h"
#include "survey/Diagnostics.h"
#include "survey/PlotSettings.h"

#include <memory>

class CPlotDataObj {
public:
    // A grid larger than this is treated as an allocation failure: no real
    // borehole has a million stations, and a header claiming one (a depth of
    // 1e12 at an interval of 0.001) must not exhaust memory.
    static constexpr int kMaxGridSize = 1000000;

    CPlotDataObj();
    virtual ~CPlotDataObj();
    CPlotDataObj(const CPlotDataObj&) = delete;
    CPlotDataObj& operator=(const CPlotDataObj&) = delete;

    void Reset();
    void FreeSeries();
    void AllocateGrid();
    BOOL AddReading(double dAPlus, double dAMinus, double dBPlus, double dBMinus);

private:
    BOOL ReuseSeries(int nSize);

public:
    CString m_strProbeSerial;
    CString m_strReelSerial;
    int m_nFileVersion = 0;
    int m_nFileType = 0; // 1 spiral, 2 horizontal, other inclinometer
    CString m_strBorehole;
    CString m_strSite;
    double m_dBottomDepth = 0.0;
    double m_dTopOffset = 0.0;
    CString m_strDepthUnits;
    double m_dInterval = 0.0;
    CTime m_timeReading;
    CString m_strReadingUnits;
    int m_nReadingUnits = 0;
    int m_nColAPlus = -1;
    int m_nColAMinus = -1;
    int m_nColBPlus = -1;
    int m_nColBMinus = -1;
    int m_nGridSize = 0;
    int m_nReadingCount = 0;
    BOOL m_bDataLoaded = FALSE;
    CStringArray m_arrComments;
    CString m_strOperator;
    CPlotSettings m_settings;
    int m_nOutputIndex = 0;
    std::unique_ptr<double[]> m_pAPlus;
    std::unique_ptr<double[]> m_pAMinus;
    std::unique_ptr<double[]> m_pBPlus;
    std::unique_ptr<double[]> m_pBMinus;
    std::unique_ptr<double[]> m_pACum;
    int m_nSeriesCapacity = 0; // slots the series have room for, m_nGridSize or more
    double m_dOffsetCorrection = 0.0;

    // What the last read, and the write after it, found or changed.
    CDiagnosticList m_diagnostics;
    // The source lines the reading date, the survey depth and the interval
    // came from (0: not read from a file), so that a writer can name them.
    int m_nDateLine = 0;
    int m_nDepthLine = 0;
    int m_nIntervalLine = 0;
};
