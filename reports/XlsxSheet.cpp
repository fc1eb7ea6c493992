#include "reports/XlsxSheet.h"

#include "shell/Error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

namespace yorsabat::reports {

XlsxSheet::XlsxSheet(const QString &filePath, const QString &shownPath)
    : m_shownPath(shownPath)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = nullptr;
    options.use_zip64 = LXW_FALSE;
    const QByteArray name = QFile::encodeName(filePath);
    m_workbook = workbook_new_opt(name.constData(), &options);
    if (!m_workbook)
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    // Constant-memory sheets stream into a temporary file; failing to make it
    // is the usual cause of a missing sheet.
    m_sheet = workbook_add_worksheet(m_workbook, nullptr);
    if (!m_sheet)
        fail(LXW_ERROR_CREATING_TMPFILE);
    m_dateFormat = workbook_add_format(m_workbook);
    if (!m_dateFormat)
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    format_set_num_format(m_dateFormat, "dd.mm.yyyy");
}

XlsxSheet::~XlsxSheet()
{
    if (m_workbook)
        lxw_workbook_free(m_workbook);
}

void XlsxSheet::fail(int error) const
{
    throw Error(QStringLiteral("Cannot write the workbook '%1': %2")
                    .arg(QDir::toNativeSeparators(m_shownPath),
                         QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error)))));
}

void XlsxSheet::check(int error) const
{
    if (error != LXW_NO_ERROR)
        fail(error);
}

void XlsxSheet::writeText(std::uint32_t row, std::uint16_t column, const QByteArray &utf8)
{
    if (utf8.isEmpty())
        return;
    check(worksheet_write_string(m_sheet, row, column, utf8.constData(), nullptr));
}

void XlsxSheet::writeText(std::uint32_t row, std::uint16_t column, const QString &text)
{
    if (text.isEmpty())
        return;
    writeText(row, column, text.toUtf8());
}

void XlsxSheet::writeNumber(std::uint32_t row, std::uint16_t column, double value)
{
    check(worksheet_write_number(m_sheet, row, column, value, nullptr));
}

void XlsxSheet::writeDate(std::uint32_t row, std::uint16_t column, const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    lxw_datetime cell{};
    cell.year = date.year();
    cell.month = date.month();
    cell.day = date.day();
    cell.hour = time.hour();
    cell.min = time.minute();
    cell.sec = time.second() + time.msec() / 1000.0;
    check(worksheet_write_datetime(m_sheet, row, column, &cell, m_dateFormat));
}

void XlsxSheet::close()
{
    lxw_workbook *workbook = m_workbook;
    m_workbook = nullptr; // workbook_close frees it, also when it fails
    m_sheet = nullptr;
    check(workbook_close(workbook));
}

} // namespace yorsabat::reports
