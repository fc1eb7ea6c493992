#include "shell/WidgetPorts.h"

#include "shell/Error.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace yorsabat::widgets {

void StatusText::setText(const QString &text) { m_label->setText(text); }
QString StatusText::text() const { return m_label->text(); }

void OverrideBusyCursor::on()
{
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void OverrideBusyCursor::off()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

QString LineEditBox::text() const { return m_edit->text(); }
// A text set by the program shows from its start, as typed text would.
void LineEditBox::setText(const QString &text)
{
    m_edit->setText(text);
    m_edit->setCursorPosition(0);
}

QString ComboTextBox::text() const { return m_combo->currentText(); }
void ComboTextBox::setText(const QString &text)
{
    m_combo->setEditText(text);
    if (m_combo->lineEdit())
        m_combo->lineEdit()->setCursorPosition(0);
}

bool CheckToggle::isChecked() const { return m_box->isChecked(); }

QString ButtonCaption::caption() const { return m_button->text(); }
void ButtonCaption::setCaption(const QString &caption) { m_button->setText(caption); }

QString PlainTextEditor::text() const
{
    // toPlainText() would turn no-break spaces into blanks.
    QString text;
    for (QTextBlock block = m_edit->document()->begin(); block.isValid(); block = block.next()) {
        if (block != m_edit->document()->begin())
            text += u'\n';
        text += block.text();
    }
    return text;
}

void PlainTextEditor::setText(const QString &text)
{
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_edit->setPlainText(normalised);
}

void PlainTextEditor::clear() { m_edit->clear(); }

void PlainTextEditor::addLine(const QString &line)
{
    m_edit->appendPlainText(line);
}

int ListCheckList::count() const { return m_list->count(); }

static QListWidgetItem *itemAt(const QListWidget *list, int index)
{
    QListWidgetItem *item = list->item(index);
    if (!item)
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
    return item;
}

QString ListCheckList::itemText(int index) const { return itemAt(m_list, index)->text(); }
bool ListCheckList::isChecked(int index) const { return itemAt(m_list, index)->checkState() == Qt::Checked; }

void ListCheckList::setChecked(int index, bool checked)
{
    itemAt(m_list, index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void ListCheckList::clear() { m_list->clear(); }

void ListCheckList::addChecked(const QString &text)
{
    auto *item = new QListWidgetItem(text, m_list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
}

} // namespace yorsabat::widgets
