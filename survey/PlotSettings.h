// The unit vocabulary shared by depth and reading units: a code, its
// canonical name, and a forgiving parser of free unit text.
#pragma once

#include "platform/CString.h"
#include "platform/CStringArray.h"

enum UnitCode {
    unitMeters = 0,
    unitMillimeters = 1,
    unitFeet = 2,
    unitInches = 3,
    unitSine = 4,
    unitBinary = 5,
    unitVolts = 6,
    unitDegrees = 7,
};

class CPlotSettings {
public:
    CPlotSettings();
    virtual ~CPlotSettings();

    CString UnitName(int code) const;
    int ParseUnits(CString strText) const;

    // Names of the length units, codes 0 to 3.
    CStringArray m_arrUnitNames;
};
