#include "reports/ReportCommands.h"

namespace yorsabat::reports {

ReportCommands::ReportCommands(server::Connection &connection, server::Query &adoQuery11,
                               const Controls &controls, std::function<bool()> runBatch)
    : m_controls{controls.editor,    controls.year, controls.detailedBox, controls.summaryBox,
                 adoQuery11,         connection,    std::move(runBatch),  m_view}
{
}

void ReportCommands::DEMDetayli()
{
    runReport(ReportKind::Detailed, m_controls);
}

void ReportCommands::DEMOzet()
{
    runReport(ReportKind::Summary, m_controls);
}

} // namespace yorsabat::reports
