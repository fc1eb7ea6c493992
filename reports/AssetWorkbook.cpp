#include "reports/AssetWorkbook.h"

#include "reports/AssetColumns.h"
#include "reports/CNumericScope.h"
#include "reports/ReplacingFile.h"
#include "reports/XlsxSheet.h"
#include "server/ResultSet.h"
#include "shell/Error.h"

#include <QDateTime>

#include <array>

namespace yorsabat::reports {
namespace {

std::array<int, sheetColumns.size()> findFields(const server::ResultSet &rows)
{
    std::array<int, sheetColumns.size()> fields{};
    for (std::size_t c = 0; c < sheetColumns.size(); ++c) {
        fields[c] = rows.fieldIndex(sheetColumns[c].field);
        if (fields[c] < 0)
            throw Error(QStringLiteral("Field '%1' not found.").arg(sheetColumns[c].field));
    }
    return fields;
}

double quarterValue(const server::ResultSet &rows, std::int64_t row, int field)
{
    if (rows.isNull(row, field))
        return 0;
    const QString text = rows.asText(row, field);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok); // char(n) columns come blank-padded
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value (field '%2', row %3).")
                        .arg(text, rows.field(field).name)
                        .arg(row + 1));
    return value;
}

} // namespace

void writeAssetWorkbook(const server::ResultSet &rows, const QString &path)
{
    const auto fields = findFields(rows);

    ReplacingFile file(path);
    {
        const CNumericScope numbersWithPoint;
        XlsxSheet sheet(file.temporaryPath(), path);

        for (std::size_t c = 0; c < sheetColumns.size(); ++c)
            sheet.writeText(0, std::uint16_t(c), sheetColumns[c].title.toString());

        const std::int64_t count = rows.rowCount();
        for (std::int64_t r = 0; r < count; ++r) {
            const auto sheetRow = static_cast<std::uint32_t>(r + 1);
            for (std::size_t c = 0; c < sheetColumns.size(); ++c) {
                const int f = fields[c];
                const auto column = std::uint16_t(c);
                switch (sheetColumns[c].kind) {
                case CellKind::Text:
                    if (!rows.isNull(r, f))
                        sheet.writeText(sheetRow, column, rows.asText(r, f));
                    break;
                case CellKind::Date:
                    // No value is no date: the epoch would read as a real one.
                    if (!rows.isNull(r, f)) {
                        const QDateTime value = rows.asDateTime(r, f);
                        if (value.isValid())
                            sheet.writeDate(sheetRow, column, value);
                    }
                    break;
                case CellKind::Integer:
                    sheet.writeNumber(sheetRow, column,
                                      rows.isNull(r, f) ? 0.0 : double(rows.asInteger(r, f)));
                    break;
                case CellKind::IntegerText:
                    sheet.writeNumber(sheetRow, column, quarterValue(rows, r, f));
                    break;
                case CellKind::Amount:
                    // The full double: narrowing would change accounting amounts.
                    sheet.writeNumber(sheetRow, column, rows.isNull(r, f) ? 0.0 : rows.asFloat(r, f));
                    break;
                }
            }
        }
        sheet.close();
    }
    file.commit();
}

} // namespace yorsabat::reports
