#pragma once

namespace yorsabat {
class BusyCursor;
class Editor;
class StatusLine;
}

namespace yorsabat::workbench {

class SharedQuery;

// The result window Form2 as the commands see it.
class ResultWindow
{
public:
    virtual ~ResultWindow() = default;
    // Makes it visible and brings it to the front; returns at once.
    virtual void showResult() = 0;
};

// "ExecSQL" and "Open": the editor's whole text as one batch through the
// shared query. A failure ends the command where it happens; the busy cursor
// then stays on until the periodic reset.
class Statements
{
public:
    struct Controls
    {
        Editor &editor;      // Memo1
        StatusLine &status;  // StatusBar1
        BusyCursor &busy;
        ResultWindow &results; // Form2
    };

    Statements(SharedQuery &query, const Controls &controls);

    // Runs the text, discards rows, shows the current database on the status line.
    void Button3Click();
    // Runs the text and shows its first rowset in the result window.
    void Button4Click();

private:
    SharedQuery &m_query;
    Controls m_controls;
};

} // namespace yorsabat::workbench
