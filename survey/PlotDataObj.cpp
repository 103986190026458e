#include "survey/PlotDataObj.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>

namespace {

// Slots are value-initialised, so a slot that no reading fills holds 0.0.
std::unique_ptr<double[]> AllocateSeries(int nSize) {
    return std::unique_ptr<double[]>(new (std::nothrow) double[static_cast<size_t>(nSize)]());
}

} // namespace

CPlotDataObj::CPlotDataObj() {
    Reset();
}

CPlotDataObj::~CPlotDataObj() {
    Reset();
}

void CPlotDataObj::Reset() {
    FreeSeries();
    m_strProbeSerial.Empty();
    m_strReelSerial.Empty();
    m_nFileVersion = 0;
    m_nFileType = 0;
    m_strBorehole.Empty();
    m_strSite.Empty();
    m_dBottomDepth = 0.0;
    m_dTopOffset = 0.0;
    m_strDepthUnits.Empty();
    m_dInterval = 0.0;
    m_timeReading = CTime::GetCurrentTime();
    m_strReadingUnits.Empty();
    m_nReadingUnits = 0;
    m_nColAPlus = -1;
    m_nColAMinus = -1;
    m_nColBPlus = -1;
    m_nColBMinus = -1;
    m_arrComments.RemoveAll();
    m_strOperator.Empty();
    m_nOutputIndex = 0;
    m_dOffsetCorrection = 0.0;
    m_diagnostics.RemoveAll();
    m_nDateLine = 0;
    m_nDepthLine = 0;
    m_nIntervalLine = 0;
}

void CPlotDataObj::FreeSeries() {
    m_pAPlus.reset();
    m_pAMinus.reset();
    m_pBPlus.reset();
    m_pBMinus.reset();
    m_pACum.reset();
    m_nSeriesCapacity = 0;
    m_bDataLoaded = FALSE;
    m_nReadingCount = 0;
    m_nGridSize = 0;
}

void CPlotDataObj::AllocateGrid() {
    double dDepth = std::fabs(m_dBottomDepth);
    if (!(dDepth > 0.0) || !(m_dInterval > 0.0)) {
        return; // an earlier grid and its readings stay as they were
    }
    m_nColAPlus = 0;
    m_nColAMinus = 1;
    m_nColBPlus = 2;
    m_nColBMinus = 3;

    // The quotient is taken in double precision before the ceiling, so 0.7 / 0.1
    // (just below 7) gives 7 and 8 slots.
    double dSteps = std::ceil(dDepth / m_dInterval);
    if (!(dSteps < kMaxGridSize)) {
        FreeSeries();
        return; // as if out of memory: no grid, not loaded
    }
    const int nSize = static_cast<int>(dSteps) + 1;
    if (ReuseSeries(nSize)) {
        return;
    }
    m_nGridSize = nSize;

    struct {
        int& nColumn;
        std::unique_ptr<double[]>& pSeries;
    } faces[] = {
        {m_nColAPlus, m_pAPlus},
        {m_nColAMinus, m_pAMinus},
        {m_nColBPlus, m_pBPlus},
        {m_nColBMinus, m_pBMinus},
    };
    for (auto& face : faces) {
        if (face.nColumn != -1) {
            face.pSeries = AllocateSeries(m_nGridSize);
            if (!face.pSeries) {
                face.nColumn = -1;
            }
        }
    }
    m_pACum = AllocateSeries(m_nGridSize);
    m_bDataLoaded = TRUE;
    m_nSeriesCapacity = m_nGridSize;
    if (!m_pACum) {
        FreeSeries();
    }
}

BOOL CPlotDataObj::ReuseSeries(int nSize) {
    // The series of an earlier grid that have room are cleared and used
    // again: fresh memory of a large survey costs more to map in than to
    // clear, and a window or a benchmark reads survey after survey.
    std::unique_ptr<double[]>* series[] = {&m_pAPlus, &m_pAMinus, &m_pBPlus, &m_pBMinus, &m_pACum};
    if (nSize > m_nSeriesCapacity ||
        !std::all_of(std::begin(series), std::end(series), [](auto* p) { return bool(*p); })) {
        FreeSeries();
        return FALSE;
    }
    for (auto* pSeries : series) {
        std::fill_n(pSeries->get(), nSize, 0.0);
    }
    m_nGridSize = nSize;
    m_nReadingCount = 0;
    m_bDataLoaded = TRUE;
    return TRUE;
}

BOOL CPlotDataObj::AddReading(double dAPlus, double dAMinus, double dBPlus, double dBMinus) {
    if (m_nReadingCount >= m_nGridSize) {
        return FALSE;
    }
    const int k = m_nReadingCount;
    if (m_nColAPlus != -1 && m_pAPlus) {
        m_pAPlus[k] = dAPlus;
    }
    if (m_nColAMinus != -1 && m_pAMinus) {
        m_pAMinus[k] = dAMinus;
    }
    if (m_nColBPlus != -1 && m_pBPlus) {
        m_pBPlus[k] = dBPlus;
    }
    if (m_nColBMinus != -1 && m_pBMinus) {
        m_pBMinus[k] = dBMinus;
    }
    ++m_nReadingCount;
    return TRUE;
}
