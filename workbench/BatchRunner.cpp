#include "workbench/BatchRunner.h"

#include "server/TableBrowser.h"
#include "shell/Error.h"
#include "shell/Ports.h"
#include "workbench/BatchProgress.h"
#include "workbench/SharedQuery.h"

#include <algorithm>

namespace yorsabat::workbench {

namespace {

// Closes the progress window however the run ends.
class ProgressScope
{
public:
    explicit ProgressScope(BatchProgress &progress) : m_progress(progress) {}
    ~ProgressScope() { m_progress.end(); }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;

private:
    BatchProgress &m_progress;
};

int checkedCount(const CheckList &list)
{
    int checked = 0;
    for (int i = 0; i < list.count(); ++i)
        checked += list.isChecked(i) ? 1 : 0;
    return checked;
}

} // namespace

BatchRunner::BatchRunner(SharedQuery &query, const Controls &controls, Reports reports)
    : m_query(query)
    , m_controls(controls)
    , m_reports(std::move(reports))
{
}

void BatchRunner::setReports(Reports reports)
{
    m_reports = std::move(reports);
}

void BatchRunner::BitBtn1Click()
{
    CheckList &list = m_controls.list;
    m_cancelled = false;
    m_controls.busy.on();

    const int total = checkedCount(list);
    if (total > 0) {
        m_controls.progress.begin(total);
        ProgressScope scope(m_controls.progress);
        int number = 0;
        // The count is read again before every item.
        for (int i = 0; i < list.count(); ++i) {
            if (!list.isChecked(i))
                continue;
            if (m_controls.progress.cancelRequested()) {
                m_cancelled = true;
                break;
            }
            ++number;
            const QString name = list.itemText(i);
            m_controls.progress.databaseStarting(number, std::max(number, total), name);

            m_query.execSql(server::useStatement(name));
            const bool detailed = m_controls.detailedBox.isChecked();
            if (detailed)
                runReport(m_reports.detailed);
            else
                runEditorText();
            if (m_controls.summaryBox.isChecked())
                runReport(m_reports.summary);
            else if (detailed)
                runEditorText(); // by now the detailed report's query
            m_controls.status.setText(m_query.currentDatabase());
            list.setChecked(i, false);
        }
    }

    m_controls.busy.off();
}

void BatchRunner::runEditorText()
{
    m_query.execSql(m_controls.editor.text());
}

void BatchRunner::runReport(const std::function<void()> &report)
{
    if (!report)
        throw Error(QStringLiteral("The report command is not available."));
    report();
}

} // namespace yorsabat::workbench
