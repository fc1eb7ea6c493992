#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QVariant>

// Reads a workbook back through openpyxl (Debian's /usr/bin/python3), an
// independent reader. Returns the rows of the first sheet; each cell is a
// [kind, value] pair, kind "text", "int", "float", "date" or "empty".
struct WorkbookContents
{
    QString error; // empty when read
    int sheets = 0;
    QJsonArray rows;

    QString kind(int row, int column) const { return cellAt(row, column)[0].toString(); }
    QString text(int row, int column) const { return cellAt(row, column)[1].toString(); }
    qint64 integer(int row, int column) const { return cellAt(row, column)[1].toInteger(); }
    // A number as the file holds it: floats travel as their exact repr text.
    double number(int row, int column) const
    {
        const QJsonArray c = cellAt(row, column);
        return c[0].toString() == QLatin1String("float") ? c[1].toString().toDouble()
                                                        : double(c[1].toInteger());
    }
    QJsonArray cellAt(int row, int column) const
    {
        const QJsonArray r = rows.at(row).toArray();
        return column < r.size() ? r.at(column).toArray() : QJsonArray{QStringLiteral("empty"), QJsonValue()};
    }
};

inline WorkbookContents readWorkbook(const QString &path)
{
    WorkbookContents contents;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(YORSABAT_READ_WORKBOOK_SCRIPT), path});
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        contents.error = QStringLiteral("openpyxl could not read %1: %2").arg(path, QString::fromUtf8(python.readAllStandardError()));
        return contents;
    }
    const QJsonObject document = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    contents.sheets = document.value(QStringLiteral("sheets")).toInt();
    contents.rows = document.value(QStringLiteral("rows")).toArray();
    return contents;
}
