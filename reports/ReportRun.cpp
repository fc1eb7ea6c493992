#include "reports/ReportRun.h"

#include "reports/AssetWorkbook.h"
#include "reports/ReportQueries.h"
#include "server/Connection.h"
#include "server/Query.h"
#include "shell/Error.h"
#include "shell/Ports.h"

#include <QDir>

namespace yorsabat::reports {

QString reportSuffix(ReportKind kind)
{
    return kind == ReportKind::Detailed ? QStringLiteral("_Detay.xlsx") : QStringLiteral("_Ozet.xlsx");
}

QString reportFilePath(const QString &folder, const QString &database, ReportKind kind)
{
    // A database name is not a file name: a slash would point into another
    // folder, and the others are refused by some file systems.
    QString name = database;
    for (QChar &c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || u == '\\' || u == '/' || u == ':' || u == '*' || u == '?'
            || u == '"' || u == '<' || u == '>' || u == '|')
            c = QLatin1Char('_');
    }
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
        path += QLatin1Char('/');
    return QDir::toNativeSeparators(path + name + reportSuffix(kind));
}

void runReport(ReportKind kind, ReportControls &controls)
{
    Toggle &ownBox = kind == ReportKind::Detailed ? controls.detailedBox : controls.summaryBox;

    const QString query = kind == ReportKind::Detailed ? detailedReportQuery(controls.year.text())
                                                       : summaryReportQuery(controls.year.text());
    controls.editor.setText(query);

    // The box is read now and again before showing the view, each time for
    // what it says then.
    if (!ownBox.isChecked()) {
        if (!controls.runBatch)
            throw Error(QStringLiteral("The batch run is not available."));
        if (!controls.runBatch())
            return;
    }

    controls.reportData.setSql(query);
    controls.reportData.open();
    const server::ResultSet *rows = controls.reportData.result();
    if (!rows)
        throw Error(QStringLiteral("%1: CommandText does not return a result set")
                        .arg(controls.reportData.name()));

    // Working directory and database as they are at the moment of saving.
    const QString path = reportFilePath(QDir::currentPath(), controls.connection.defaultDatabase(), kind);
    writeAssetWorkbook(*rows, path);

    if (!ownBox.isChecked())
        controls.assetView.showView();
}

} // namespace yorsabat::reports
