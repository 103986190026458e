#include "survey/PlotSettings.h"

CPlotSettings::CPlotSettings() {
    m_arrUnitNames.Add("meters");
    m_arrUnitNames.Add("mm");
    m_arrUnitNames.Add("feet");
    m_arrUnitNames.Add("inches");
}

CPlotSettings::~CPlotSettings() {
    m_arrUnitNames.RemoveAll();
}

CString CPlotSettings::UnitName(int code) const {
    if (code >= 0 && code < m_arrUnitNames.GetSize()) {
        return m_arrUnitNames.GetAt(code);
    }
    switch (code) {
    case unitSine:
        return "sine";
    case unitBinary:
        return "binary";
    case unitVolts:
        return "volts";
    case unitDegrees:
        return "degrees";
    default:
        return "units?";
    }
}

int CPlotSettings::ParseUnits(CString strText) const {
    // Plain substring tests, first match wins. The order is part of the
    // vocabulary: "in" before all (so "sine" counts as inches), "mm" before
    // "m", "f" before "deg" ("deg F" counts as feet).
    static const struct {
        const char* pszPart;
        int nCode;
    } kTests[] = {
        {"in", unitInches}, {"f", unitFeet},    {"mm", unitMillimeters}, {"m", unitMeters},
        {"si", unitSine},   {"bi", unitBinary}, {"vo", unitVolts},       {"deg", unitDegrees},
    };
    strText.MakeLower();
    for (const auto& test : kTests) {
        if (strText.Find(test.pszPart) >= 0) {
            return test.nCode;
        }
    }
    return unitMeters;
}
