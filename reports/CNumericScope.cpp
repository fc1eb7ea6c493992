#include "reports/CNumericScope.h"

#include "shell/Error.h"

#include <clocale>

namespace yorsabat::reports {

#ifdef _WIN32

CNumericScope::CNumericScope()
{
    m_previousMode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    if (m_previousMode == -1)
        throw Error(QStringLiteral("Cannot switch the number format to the C locale."));
    if (const char *numeric = std::setlocale(LC_NUMERIC, nullptr))
        m_previousNumeric = numeric;
    std::setlocale(LC_NUMERIC, "C");
}

CNumericScope::~CNumericScope()
{
    if (!m_previousNumeric.empty())
        std::setlocale(LC_NUMERIC, m_previousNumeric.c_str());
    _configthreadlocale(m_previousMode);
}

#else

CNumericScope::CNumericScope()
{
    // Start from the thread's current locale so texts and collation stay as they are.
    locale_t base = duplocale(uselocale(nullptr));
    if (base)
        m_numericC = newlocale(LC_NUMERIC_MASK, "C", base); // consumes base on success
    if (!m_numericC) {
        if (base)
            freelocale(base);
        throw Error(QStringLiteral("Cannot switch the number format to the C locale."));
    }
    m_previous = uselocale(m_numericC);
}

CNumericScope::~CNumericScope()
{
    uselocale(m_previous);
    freelocale(m_numericC);
}

#endif

} // namespace yorsabat::reports
