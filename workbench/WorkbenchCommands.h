#pragma once

#include "workbench/BatchProgressWindow.h"
#include "workbench/BatchRunner.h"
#include "workbench/CannedQueries.h"
#include "workbench/ScriptFileDialogs.h"
#include "workbench/ScriptFiles.h"
#include "workbench/SharedQuery.h"
#include "workbench/Statements.h"

class QWidget;

namespace yorsabat {
class BusyCursor;
class CheckList;
class Editor;
class StatusLine;
class TextBox;
class Toggle;
}

namespace yorsabat::workbench {

// The workbench's commands as the main window holds them: script files,
// "ExecSQL" / "Open", the batch run and the inspection queries, over the
// window's controls, its connection and its shared query ADOQuery1.
class WorkbenchCommands
{
public:
    struct Controls
    {
        Editor &editor;      // Memo1
        StatusLine &status;  // StatusBar1
        BusyCursor &busy;
        CheckList &list;     // CheckListBox1
        Toggle &detailedBox; // CheckBox2
        Toggle &summaryBox;  // CheckBox3
        TextBox &yearBox;    // Edit10
    };

    WorkbenchCommands(QWidget *mainWindow, server::Connection &connection, server::Query &adoQuery1,
                      const Controls &controls);

    // The result window Form2, created after the main window. Until it is
    // set, "Open" shows nothing.
    void setResultWindow(ResultWindow *window) { m_results.window = window; }
    // The report commands the batch run calls per database.
    void setReports(BatchRunner::Reports reports) { batch.setReports(std::move(reports)); }
    // The batch run for the report commands: false when it was cancelled.
    bool runBatch()
    {
        batch.BitBtn1Click();
        return !batch.wasCancelled();
    }

private:
    struct ForwardedResults : ResultWindow
    {
        ResultWindow *window = nullptr;
        void showResult() override
        {
            if (window)
                window->showResult();
        }
    };

    ScriptFileDialogs m_dialogs;
    ServerSharedQuery m_query;
    BatchProgressWindow m_progress;
    ForwardedResults m_results;

public:
    ScriptFiles files;       // YeniClick, AcClick, KaydetClick
    Statements statements;   // Button3Click, Button4Click
    CannedQueries canned;    // EdefterSiff, efatsifre, BitBtn2Click
    BatchRunner batch;       // BitBtn1Click
};

} // namespace yorsabat::workbench
