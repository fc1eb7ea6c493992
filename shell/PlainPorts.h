#pragma once

#include "Ports.h"

#include <QList>
#include <QPair>
#include <QStringList>

// Plain-object stand-ins for the main window's controls, for tests of the
// modules' logic without windows. Every member is public so a test can set up
// and inspect state directly.
namespace yorsabat::plain {

struct StatusLine : yorsabat::StatusLine
{
    QString value;
    QStringList writes; // every text written, in order
    void setText(const QString &text) override { value = text; writes << text; }
    QString text() const override { return value; }
};

struct BusyCursor : yorsabat::BusyCursor
{
    bool busy = false;
    int ons = 0;
    void on() override { busy = true; ++ons; }
    void off() override { busy = false; }
};

struct TextBox : yorsabat::TextBox
{
    QString value;
    explicit TextBox(QString initial = {}) : value(std::move(initial)) {}
    QString text() const override { return value; }
    void setText(const QString &text) override { value = text; }
};

struct Toggle : yorsabat::Toggle
{
    bool checked = false;
    bool isChecked() const override { return checked; }
};

struct Caption : yorsabat::Caption
{
    QString value;
    explicit Caption(QString initial = {}) : value(std::move(initial)) {}
    QString caption() const override { return value; }
    void setCaption(const QString &caption) override { value = caption; }
};

struct Editor : yorsabat::Editor
{
    QStringList lines;
    QString text() const override { return lines.join(QLatin1Char('\n')); }
    void setText(const QString &text) override
    {
        lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    void clear() override { lines.clear(); }
    void addLine(const QString &line) override { lines << line; }
};

struct CheckList : yorsabat::CheckList
{
    QList<QPair<QString, bool>> items;
    int count() const override { return int(items.size()); }
    QString itemText(int index) const override { return items.at(index).first; }
    bool isChecked(int index) const override { return items.at(index).second; }
    void setChecked(int index, bool checked) override { items[index].second = checked; }
    void clear() override { items.clear(); }
    void addChecked(const QString &text) override { items.append({text, true}); }
};

} // namespace yorsabat::plain
