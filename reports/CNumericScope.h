#pragma once

#ifdef _WIN32
#include <string>
#else
#include <locale.h>
#endif

namespace yorsabat::reports {

// While it lives, numbers that the C library formats on this thread use "."
// as the decimal point, whatever locale the user runs under: workbook XML
// with "1234,5" is rejected by spreadsheet programs. Other categories (and
// other threads) keep their locale.
class CNumericScope
{
public:
    CNumericScope();  // raises yorsabat::Error when the locale cannot be switched
    ~CNumericScope();
    CNumericScope(const CNumericScope &) = delete;
    CNumericScope &operator=(const CNumericScope &) = delete;

private:
#ifdef _WIN32
    int m_previousMode = 0;
    std::string m_previousNumeric;
#else
    locale_t m_numericC = nullptr;
    locale_t m_previous = nullptr;
#endif
};

} // namespace yorsabat::reports
