#include "workbench/Statements.h"

#include "shell/Ports.h"
#include "workbench/SharedQuery.h"

namespace yorsabat::workbench {

Statements::Statements(SharedQuery &query, const Controls &controls)
    : m_query(query)
    , m_controls(controls)
{
}

void Statements::Button3Click()
{
    m_controls.busy.on();
    m_query.execSql(m_controls.editor.text());
    m_controls.status.setText(m_query.currentDatabase());
    m_controls.busy.off();
}

void Statements::Button4Click()
{
    m_controls.busy.on();
    m_query.open(m_controls.editor.text());
    m_controls.busy.off();
    m_controls.results.showResult();
}

} // namespace yorsabat::workbench
