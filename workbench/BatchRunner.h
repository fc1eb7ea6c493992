#pragma once

#include <functional>

namespace yorsabat {
class BusyCursor;
class CheckList;
class Editor;
class StatusLine;
class Toggle;
}

namespace yorsabat::workbench {

class BatchProgress;
class SharedQuery;

// "Başlat": every checked database of the list in turn, switched to with a
// USE, then the editor's text and/or the per-database reports as the two
// report boxes say. A database's check mark is cleared once its turn is
// complete, so the list records the progress: after an error or a Cancel the
// databases not yet done stay checked and the next run resumes with them.
class BatchRunner
{
public:
    struct Controls
    {
        CheckList &list;      // CheckListBox1
        Toggle &detailedBox;  // CheckBox2
        Toggle &summaryBox;   // CheckBox3
        Editor &editor;       // Memo1
        StatusLine &status;   // StatusBar1
        BusyCursor &busy;
        BatchProgress &progress;
    };

    // The report commands, each producing its report in the current database.
    struct Reports
    {
        std::function<void()> detailed; // DEMDetayli
        std::function<void()> summary;  // DEMOzet
    };

    BatchRunner(SharedQuery &query, const Controls &controls, Reports reports = {});

    void setReports(Reports reports);

    void BitBtn1Click();

    // Whether the last run was stopped by Cancel.
    bool wasCancelled() const { return m_cancelled; }

private:
    void runEditorText();
    void runReport(const std::function<void()> &report);

    SharedQuery &m_query;
    Controls m_controls;
    Reports m_reports;
    bool m_cancelled = false;
};

} // namespace yorsabat::workbench
