#include "workbench/WorkbenchCommands.h"

namespace yorsabat::workbench {

WorkbenchCommands::WorkbenchCommands(QWidget *mainWindow, server::Connection &connection,
                                     server::Query &adoQuery1, const Controls &controls)
    : m_dialogs(mainWindow)
    , m_query(adoQuery1, connection)
    , m_progress(mainWindow)
    , files(controls.editor, m_dialogs)
    , statements(m_query, {controls.editor, controls.status, controls.busy, m_results})
    , canned(controls.editor, controls.yearBox)
    , batch(m_query, {controls.list, controls.detailedBox, controls.summaryBox, controls.editor, controls.status,
                      controls.busy, m_progress})
{
}

} // namespace yorsabat::workbench
