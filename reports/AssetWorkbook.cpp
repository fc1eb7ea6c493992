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
                case CellKind::IntegerText:
                    // A quarter text that is not a whole number raises here.
                    sheet.writeNumber(sheetRow, column, double(rows.asInteger(r, f)));
                    break;
                case CellKind::Amount:
                    // The full double: narrowing would change accounting amounts.
                    sheet.writeNumber(sheetRow, column, rows.asFloat(r, f));
                    break;
                }
            }
        }
        sheet.close();
    }
    file.commit();
}

} // namespace yorsabat::reports
