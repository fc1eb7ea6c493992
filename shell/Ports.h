#pragma once

#include <QString>

// The small interfaces through which each module's logic reaches the main
// window's controls. The main window implements them over its widgets; tests
// use the plain objects of PlainPorts.h or the real widgets offscreen.
namespace yorsabat {

// StatusBar1: one line of text, replaced by each write, never cleared.
class StatusLine
{
public:
    virtual ~StatusLine() = default;
    virtual void setText(const QString &text) = 0;
    virtual QString text() const = 0;
};

// The screen-wide hourglass. on() sets it over every window, off() restores
// each control's own pointer. Neither stacks: off() after two on() clears it.
class BusyCursor
{
public:
    virtual ~BusyCursor() = default;
    virtual void on() = 0;
    virtual void off() = 0;
};

// A one-line box of the main window (server, user, password, pattern, filter,
// year, connection prefix, the authentication box's text).
class TextBox
{
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
};

// A check box read by a command (CheckBox1, CheckBox2, CheckBox3).
class Toggle
{
public:
    virtual ~Toggle() = default;
    virtual bool isChecked() const = 0;
};

// A button whose caption is read and written by its command (Button5).
class Caption
{
public:
    virtual ~Caption() = default;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;
};

// Memo1, the SQL editor. Lines are separated by "\n" in text().
class Editor
{
public:
    virtual ~Editor() = default;
    virtual QString text() const = 0;               // the whole text, line breaks included
    virtual void setText(const QString &text) = 0;  // replaces the whole text
    virtual void clear() = 0;                       // removes all lines
    virtual void addLine(const QString &line) = 0;  // adds a line after the last one
};

// CheckListBox1, the database list: items by index from 0, each with a check mark.
class CheckList
{
public:
    virtual ~CheckList() = default;
    virtual int count() const = 0;
    virtual QString itemText(int index) const = 0;
    virtual bool isChecked(int index) const = 0;
    virtual void setChecked(int index, bool checked) = 0;
    virtual void clear() = 0;
    virtual void addChecked(const QString &text) = 0; // adds a checked last item
};

} // namespace yorsabat
