#pragma once

#include <QString>

// The two fixed-asset report statements, built from the year box's text.
// Both return the same 21 columns by the same names (see AssetColumns.h).
namespace yorsabat::reports {

// One row per asset, year and quarter: four SELECTs joined by UNION, each
// matching DMHYIL LIKE '<year>'. The year text goes in verbatim except that a
// single quote is doubled, so it cannot end the literal early.
QString detailedReportQuery(const QString &year);

// One row per asset and year: the detailed statement as derived table D,
// grouped by the asset columns and the year, columns 10 to 21 summed.
QString summaryReportQuery(const QString &year);

} // namespace yorsabat::reports
