#pragma once

#include "reports/ReportRun.h"

#include <functional>

namespace yorsabat::reports {

// The two report commands as the main window holds them, over its controls,
// its connection and the report data set ADOQuery11. The handlers raise
// their errors; the window's wrapper shows them, and inside a batch run they
// end the run.
class ReportCommands
{
public:
    struct Controls
    {
        Editor &editor;      // Memo1
        TextBox &year;       // Edit10
        Toggle &detailedBox; // CheckBox2
        Toggle &summaryBox;  // CheckBox3
    };

    // runBatch: the batch run over the checked databases, false when cancelled.
    ReportCommands(server::Connection &connection, server::Query &adoQuery11, const Controls &controls,
                   std::function<bool()> runBatch);

    // The asset view Form3, created after the main window. Until it is set,
    // a report shows nothing.
    void setAssetView(AssetView *view) { m_view.view = view; }

    void DEMDetayli(); // Button1 "Demirbaş Detaylı"
    void DEMOzet();    // Button9 "Demirbaş Özet"

private:
    struct ForwardedView : AssetView
    {
        AssetView *view = nullptr;
        void showView() override
        {
            if (view)
                view->showView();
        }
    };

    ForwardedView m_view;
    ReportControls m_controls;
};

} // namespace yorsabat::reports
