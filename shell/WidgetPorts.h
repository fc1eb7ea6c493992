#pragma once

#include "shell/Ports.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// The ports of Ports.h over the real controls of the main window.
namespace yorsabat::widgets {

class StatusText : public StatusLine
{
public:
    explicit StatusText(QLabel *label) : m_label(label) {}
    void setText(const QString &text) override;
    QString text() const override;

private:
    QLabel *m_label;
};

// The application's override cursor, set once however often on() is called.
class OverrideBusyCursor : public BusyCursor
{
public:
    void on() override;
    void off() override;
};

class LineEditBox : public TextBox
{
public:
    explicit LineEditBox(QLineEdit *edit) : m_edit(edit) {}
    QString text() const override;
    void setText(const QString &text) override;

private:
    QLineEdit *m_edit;
};

// The edit text of an editable combo box, whether or not it is a list item.
class ComboTextBox : public TextBox
{
public:
    explicit ComboTextBox(QComboBox *combo) : m_combo(combo) {}
    QString text() const override;
    void setText(const QString &text) override;

private:
    QComboBox *m_combo;
};

class CheckToggle : public Toggle
{
public:
    explicit CheckToggle(QAbstractButton *box) : m_box(box) {}
    bool isChecked() const override;

private:
    QAbstractButton *m_box;
};

class ButtonCaption : public Caption
{
public:
    explicit ButtonCaption(QAbstractButton *button) : m_button(button) {}
    QString caption() const override;
    void setCaption(const QString &caption) override;

private:
    QAbstractButton *m_button;
};

// The text of each paragraph exactly as typed (no character is normalised on
// the way out), paragraphs joined by "\n".
class PlainTextEditor : public Editor
{
public:
    explicit PlainTextEditor(QPlainTextEdit *edit) : m_edit(edit) {}
    QString text() const override;
    void setText(const QString &text) override;
    void clear() override;
    void addLine(const QString &line) override;

private:
    QPlainTextEdit *m_edit;
};

class ListCheckList : public CheckList
{
public:
    explicit ListCheckList(QListWidget *list) : m_list(list) {}
    int count() const override;
    QString itemText(int index) const override;
    bool isChecked(int index) const override;
    void setChecked(int index, bool checked) override;
    void clear() override;
    void addChecked(const QString &text) override;

private:
    QListWidget *m_list;
};

} // namespace yorsabat::widgets
