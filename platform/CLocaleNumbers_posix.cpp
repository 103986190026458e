#include "platform/CLocaleNumbers.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

// The "C" locale as an object of its own, so that the few texts the C library
// still reads are read with a decimal point whatever the process's locale.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

double StrtodC(const char* pText) {
    return strtod_l(pText, nullptr, CLocale());
}

int ScanfDoubleC(const char* pText, double& dValue, int& nConsumed) {
    locale_t previous = uselocale(CLocale());
    int nFields = std::sscanf(pText, "%lf%n", &dValue, &nConsumed);
    uselocale(previous);
    return nFields;
}
