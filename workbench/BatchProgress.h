#pragma once

#include <QString>

namespace yorsabat::workbench {

// What a batch run shows while it goes: "database i of n", the database's
// name, the elapsed time and a Cancel button. The window implementation is
// window-modal over the main window.
class BatchProgress
{
public:
    virtual ~BatchProgress() = default;
    // Before the first database; `total` is the number of checked items.
    virtual void begin(int total) = 0;
    // Lets the windows repaint and take the Cancel click, then says whether
    // Cancel was pressed. Asked before each database.
    virtual bool cancelRequested() = 0;
    // Database `number` (from 1) of `total` is starting.
    virtual void databaseStarting(int number, int total, const QString &name) = 0;
    // After the last database, on Cancel and when an error ends the run.
    virtual void end() = 0;
};

// Shows nothing and is never cancelled.
class NoBatchProgress : public BatchProgress
{
public:
    void begin(int) override {}
    bool cancelRequested() override { return false; }
    void databaseStarting(int, int, const QString &) override {}
    void end() override {}
};

// Shows nothing; Cancel counts as pressed once `databases` databases have
// started, as a user would press it during the last of them.
class CancelAfter : public BatchProgress
{
public:
    explicit CancelAfter(int databases) : m_databases(databases) {}
    void begin(int) override {}
    bool cancelRequested() override { return m_started >= m_databases; }
    void databaseStarting(int, int, const QString &) override { ++m_started; }
    void end() override {}

private:
    int m_databases;
    int m_started = 0;
};

} // namespace yorsabat::workbench
