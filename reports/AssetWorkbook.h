#pragma once

#include <QString>

namespace yorsabat::server {
class ResultSet;
}

namespace yorsabat::reports {

// Writes a fixed-asset report's rows as an .xlsx workbook: row 1 the 21
// titles, then one row per result row, columns and cell types as
// AssetColumns.h lays them out. The workbook is written under a temporary
// name in the same folder and renamed to path only when complete, replacing a
// file of that name. Numbers are written with "." whatever the locale.
// Raises yorsabat::Error (a missing field, a quarter that is not a whole
// number, a file that cannot be written); the previous file is then kept.
void writeAssetWorkbook(const server::ResultSet &rows, const QString &path);

} // namespace yorsabat::reports
