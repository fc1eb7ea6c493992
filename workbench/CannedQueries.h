#pragma once

#include <QString>

namespace yorsabat {
class Editor;
class TextBox;
}

namespace yorsabat::workbench {

// The ready-made inspection queries. Each button replaces the editor's text
// with its one line; nothing is run.
QString eDefterQuery();
QString eFaturaQuery();
// The voucher breakdown for a reference number. A quote in it is doubled so
// the literal matches the text as typed.
QString voucherBreakdownQuery(const QString &referenceNumber);

class CannedQueries
{
public:
    CannedQueries(Editor &editor, TextBox &yearBox);

    void EdefterSiff();
    void efatsifre();
    void BitBtn2Click();

private:
    void put(const QString &line);

    Editor &m_editor;
    TextBox &m_yearBox;
};

} // namespace yorsabat::workbench
