#include "ExactSum.h"

#include "Values.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace yorsabat::standin {

#if defined(__SIZEOF_INT128__)

namespace {

using Int128 = __int128;
constexpr int kScale = 18; // digits after the point kept while adding

struct Accumulator
{
    Int128 exact = 0;    // sum * 10^18 while every value fits
    double fallback = 0; // plain sum once one does not
    std::int64_t count = 0;
    bool anyNonInteger = false;
    bool inexact = false;
    bool integerOverflow = false;
    std::int64_t intSum = 0;
};

Int128 pow10(int n)
{
    Int128 v = 1;
    while (n-- > 0)
        v *= 10;
    return v;
}

// value * 10^18 as an exact integer; false if it has more digits than that holds.
bool scaled(sqlite3_value *v, Int128 &out)
{
    DecimalNumber n;
    if (sqlite3_value_type(v) == SQLITE_INTEGER) {
        out = static_cast<Int128>(sqlite3_value_int64(v)) * pow10(kScale);
        return true;
    }
    if (sqlite3_value_type(v) == SQLITE_FLOAT) {
        double d = sqlite3_value_double(v);
        if (!std::isfinite(d))
            return false;
        n = decimalFromDouble(d);
    } else {
        const char *t = reinterpret_cast<const char *>(sqlite3_value_text(v));
        if (!t || !parseDecimal(t, n))
            return false;
    }
    int shift = n.exponent + kScale;
    if (n.digits.empty()) {
        out = 0;
        return true;
    }
    if (shift < 0 || static_cast<int>(n.digits.size()) + shift > 37)
        return false;
    Int128 m = 0;
    for (char c : n.digits)
        m = m * 10 + (c - '0');
    m *= pow10(shift);
    out = n.negative ? -m : m;
    return true;
}

void step(sqlite3_context *ctx, int, sqlite3_value **argv, int sign)
{
    auto *a = static_cast<Accumulator *>(sqlite3_aggregate_context(ctx, sizeof(Accumulator)));
    if (!a)
        return;
    int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_NULL)
        return;
    a->count += sign;
    if (type == SQLITE_INTEGER && !a->anyNonInteger) {
        std::int64_t v = sqlite3_value_int64(argv[0]);
        if (__builtin_add_overflow(a->intSum, sign * v, &a->intSum))
            a->integerOverflow = true;
    }
    if (type != SQLITE_INTEGER)
        a->anyNonInteger = true;
    a->fallback += sign * sqlite3_value_double(argv[0]);
    Int128 s;
    if (!a->inexact && scaled(argv[0], s)) {
        a->exact += sign * s;
        const Int128 limit = pow10(37);
        if (a->exact > limit || a->exact < -limit)
            a->inexact = true;
    } else {
        a->inexact = true;
    }
}

void stepAdd(sqlite3_context *ctx, int n, sqlite3_value **argv) { step(ctx, n, argv, 1); }
void stepRemove(sqlite3_context *ctx, int n, sqlite3_value **argv) { step(ctx, n, argv, -1); }

void value(sqlite3_context *ctx)
{
    auto *a = static_cast<Accumulator *>(sqlite3_aggregate_context(ctx, 0));
    if (!a || a->count == 0) {
        sqlite3_result_null(ctx);
        return;
    }
    if (!a->anyNonInteger) {
        if (a->integerOverflow)
            sqlite3_result_error(ctx, "integer overflow", -1);
        else
            sqlite3_result_int64(ctx, a->intSum);
        return;
    }
    if (a->inexact) {
        sqlite3_result_double(ctx, a->fallback);
        return;
    }
    // The exact decimal, rounded to 15 significant digits, read as the nearest double.
    Int128 v = a->exact < 0 ? -a->exact : a->exact;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v > 0);
    while (digits.size() <= static_cast<std::size_t>(kScale))
        digits.insert(digits.begin(), '0');
    std::string text = (a->exact < 0 ? "-" : "") + digits.substr(0, digits.size() - kScale) + "." +
                       digits.substr(digits.size() - kScale);
    sqlite3_result_double(ctx, std::strtod(text.c_str(), nullptr));
}

void final(sqlite3_context *ctx) { value(ctx); }

} // namespace

void registerExactSum(sqlite3 *db)
{
    sqlite3_create_window_function(db, "sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, stepAdd, final, value,
                                   stepRemove, nullptr);
}

#else

void registerExactSum(sqlite3 *) {} // no 128-bit integers: SQLite's own sum()

#endif

} // namespace yorsabat::standin
