#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;
class QDateTime;

namespace yorsabat::reports {

// One-sheet .xlsx file written row by row in libxlsxwriter's constant-memory
// mode: each row goes to disk as soon as the next one starts, so memory does
// not grow with the sheet. Rows must be written in ascending order. Every
// failure raises yorsabat::Error naming the file as the user knows it.
class XlsxSheet
{
public:
    // filePath: where the workbook is written; shownPath: the name in messages.
    XlsxSheet(const QString &filePath, const QString &shownPath);
    ~XlsxSheet(); // without close(), the workbook is dropped unwritten
    XlsxSheet(const XlsxSheet &) = delete;
    XlsxSheet &operator=(const XlsxSheet &) = delete;

    // Rows and columns from 0. Empty text leaves the cell empty.
    void writeText(std::uint32_t row, std::uint16_t column, const QByteArray &utf8);
    void writeText(std::uint32_t row, std::uint16_t column, const QString &text);
    void writeNumber(std::uint32_t row, std::uint16_t column, double value);
    // A date cell shown as dd.mm.yyyy; the time of day is kept as the fraction.
    void writeDate(std::uint32_t row, std::uint16_t column, const QDateTime &value);

    // Writes the file. After it the object can only be destroyed.
    void close();

private:
    [[noreturn]] void fail(int error) const;
    void check(int error) const;

    QString m_shownPath;
    lxw_workbook *m_workbook = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_dateFormat = nullptr;
};

} // namespace yorsabat::reports
