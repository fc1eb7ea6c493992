#include "workbench/BatchProgressWindow.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace yorsabat::workbench {

BatchProgressWindow::BatchProgressWindow(QWidget *mainWindow)
    : m_mainWindow(mainWindow)
{
}

BatchProgressWindow::~BatchProgressWindow()
{
    delete m_dialog;
}

QDialog *BatchProgressWindow::dialog() const
{
    return m_dialog;
}

void BatchProgressWindow::build()
{
    m_dialog = new QDialog(m_mainWindow);
    m_dialog->setObjectName(QStringLiteral("BatchProgress"));
    m_dialog->setWindowTitle(QStringLiteral("Başlat"));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumWidth(320);
    auto *layout = new QVBoxLayout(m_dialog);
    m_count = new QLabel(m_dialog);
    m_count->setObjectName(QStringLiteral("BatchProgressCount"));
    m_name = new QLabel(m_dialog);
    m_name->setObjectName(QStringLiteral("BatchProgressDatabase"));
    m_name->setTextFormat(Qt::PlainText);
    m_elapsed = new QLabel(m_dialog);
    m_elapsed->setObjectName(QStringLiteral("BatchProgressElapsed"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, m_dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("İptal"));
    layout->addWidget(m_count);
    layout->addWidget(m_name);
    layout->addWidget(m_elapsed);
    layout->addWidget(buttons);
    // Cancel, Escape and the frame's close button all stop the run before
    // the next database.
    QObject::connect(m_dialog, &QDialog::rejected, m_dialog, [this] { m_cancelled = true; });
    m_ticker = new QTimer(m_dialog);
    m_ticker->setInterval(1000);
    QObject::connect(m_ticker, &QTimer::timeout, m_dialog, [this] { showElapsed(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, m_dialog, &QDialog::reject);
}

void BatchProgressWindow::begin(int total)
{
    if (!m_dialog)
        build();
    m_cancelled = false;
    m_clock.start();
    m_count->setText(QStringLiteral("Veritabanı 0 / %1").arg(total));
    m_name->clear();
    showElapsed();
    m_ticker->start();
    m_dialog->show();
    QCoreApplication::processEvents();
}

bool BatchProgressWindow::cancelRequested()
{
    QCoreApplication::processEvents();
    return m_cancelled;
}

void BatchProgressWindow::databaseStarting(int number, int total, const QString &name)
{
    m_count->setText(QStringLiteral("Veritabanı %1 / %2").arg(number).arg(total));
    m_name->setText(name);
    showElapsed();
    // Paint the new turn before its statements block the thread.
    QCoreApplication::processEvents();
}

void BatchProgressWindow::end()
{
    if (!m_dialog)
        return;
    m_ticker->stop();
    m_dialog->hide();
}

void BatchProgressWindow::showElapsed()
{
    const qint64 seconds = m_clock.isValid() ? m_clock.elapsed() / 1000 : 0;
    m_elapsed->setText(QStringLiteral("Geçen süre: %1:%2")
                           .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                           .arg(seconds % 60, 2, 10, QLatin1Char('0')));
}

} // namespace yorsabat::workbench
