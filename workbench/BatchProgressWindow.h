#pragma once

#include "workbench/BatchProgress.h"

#include <QElapsedTimer>
#include <QPointer>

class QDialog;
class QLabel;
class QTimer;
class QWidget;

namespace yorsabat::workbench {

// The batch run's progress as a window-modal dialog over the main window:
// "Veritabanı i / n", the database's name, the elapsed time and "İptal".
// Between databases it lets the event loop run, so the windows repaint and
// the Cancel click is taken; a single long statement still blocks them.
class BatchProgressWindow : public BatchProgress
{
public:
    explicit BatchProgressWindow(QWidget *mainWindow);
    ~BatchProgressWindow() override;

    void begin(int total) override;
    bool cancelRequested() override;
    void databaseStarting(int number, int total, const QString &name) override;
    void end() override;

    QDialog *dialog() const;

private:
    void build();
    void showElapsed();

    QWidget *m_mainWindow;
    QPointer<QDialog> m_dialog;
    QLabel *m_count = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_elapsed = nullptr;
    QTimer *m_ticker = nullptr;
    QElapsedTimer m_clock;
    bool m_cancelled = false;
};

} // namespace yorsabat::workbench
