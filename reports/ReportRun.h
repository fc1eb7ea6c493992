#pragma once

#include <QString>

#include <functional>

namespace yorsabat {
class Editor;
class TextBox;
class Toggle;
namespace server {
class Connection;
class Query;
} // namespace server
} // namespace yorsabat

namespace yorsabat::reports {

// The asset view window Form3, as the report commands see it.
class AssetView
{
public:
    virtual ~AssetView() = default;
    // Shows it without blocking; a window already shown comes to the front.
    virtual void showView() = 0;
};

enum class ReportKind { Detailed, Summary };

// What a report command reaches on the main window.
struct ReportControls
{
    Editor &editor;               // Memo1
    TextBox &year;                // Edit10
    Toggle &detailedBox;          // CheckBox2
    Toggle &summaryBox;           // CheckBox3
    server::Query &reportData;    // ADOQuery11
    server::Connection &connection; // ADOConnection1
    // BitBtn1Click over the checked databases; false when the user cancelled it.
    std::function<bool()> runBatch;
    AssetView &assetView;         // Form3
};

// DEMDetayli / DEMOzet: builds the report query into the editor; when the
// report's own box is not checked, first runs the batch over the checked
// databases; opens the query in the current database; writes
// <working directory>/<database><suffix>; when the box is (still) not
// checked, shows the asset view. Errors end the command where they occur;
// so does a Cancel of its batch, which leaves the rest undone as an error would.
void runReport(ReportKind kind, ReportControls &controls);

// "_Detay.xlsx" or "_Ozet.xlsx".
QString reportSuffix(ReportKind kind);

// folder + separator + database name + suffix, with every character that
// cannot stand in a file name (\ / : * ? " < > | and control characters)
// of the database name replaced by "_".
QString reportFilePath(const QString &folder, const QString &database, ReportKind kind);

} // namespace yorsabat::reports
