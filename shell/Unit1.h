#pragma once

#include "shell/ErrorWrapper.h"
#include "shell/Ports.h"

#include <QMainWindow>

#include <memory>

class QTableView;
class QTimer;
namespace Ui { class RuZovi1; }
namespace yorsabat { class Anchors; }
namespace yorsabat::server { class Connection; class Query; }
namespace yorsabat::workbench { class WorkbenchCommands; }
namespace yorsabat::reports { class ReportCommands; }

// The main window RuZovi1. It holds the controls of its form and forwards each
// event to the module that handles it; every handler runs inside the error
// wrapper, so an error ends that command only.
class TRuZovi1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TRuZovi1(QWidget *parent = nullptr);
    ~TRuZovi1() override;

    Ui::RuZovi1 &ui() { return *m_ui; }

    // The controls as the modules see them.
    yorsabat::StatusLine &statusLine();          // StatusBar1
    yorsabat::BusyCursor &busyCursor();
    yorsabat::Editor &editor();                  // Memo1
    yorsabat::CheckList &databaseList();         // CheckListBox1
    yorsabat::TextBox &authenticationBox();      // ComboBox1
    yorsabat::TextBox &serverBox();              // Edit1
    yorsabat::TextBox &userBox();                // Edit2
    yorsabat::TextBox &passwordBox();            // Edit3
    yorsabat::TextBox &prefixBox();              // Edit4
    yorsabat::TextBox &patternBox();             // Edit8
    yorsabat::TextBox &filterBox();              // Edit9
    yorsabat::TextBox &yearBox();                // Edit10
    yorsabat::Toggle &masterBox();               // CheckBox1
    yorsabat::Toggle &detailedPerDatabaseBox();  // CheckBox2
    yorsabat::Toggle &summaryPerDatabaseBox();   // CheckBox3
    yorsabat::Caption &connectButton();          // Button5
    QTableView *tableGrid();                     // DBGrid2

    // The shared connection and the query objects on it, living as long as
    // the window: every statement of every command goes over them.
    yorsabat::server::Connection &ADOConnection1();
    yorsabat::server::Query &ADOQuery1();   // USE statements and the editor's text; shown by Form2
    yorsabat::server::Query &ADOQuery2();   // database list
    yorsabat::server::Query &ADOQuery3();   // table list, shown by DBGrid2
    yorsabat::server::Query &ADOQuery11();  // report data set; shown by Form3

    // Script files, ExecSQL / Open, the batch run and the inspection queries.
    yorsabat::workbench::WorkbenchCommands &workbench();
    yorsabat::reports::ReportCommands &reports();

    // Where the error wrapper shows messages; the error box unless replaced
    // (tests record them instead). The window does not take ownership.
    void setErrorReporter(yorsabat::ErrorReporter *reporter);
    yorsabat::ErrorReporter &errorReporter();

    // Runs one command inside the error wrapper; false when it failed.
    // While it runs, the periodic cursor reset leaves the hourglass alone (a
    // batch keeps the windows painting between databases); once it has ended,
    // failed or not, the next tick clears what it left on.
    template <typename Command>
    bool runCommand(Command &&command)
    {
        return yorsabat::runGuarded(errorReporter(), [&] {
            const CommandRunning running(m_commandsRunning);
            std::forward<Command>(command)();
        });
    }

public slots:
    void Button5Click();        // connect / disconnect
    void DEMBut1Click();        // "+": refill the database list
    void CheckListBox1Click();  // make the checked databases current, list tables
    void Edit9Change();         // table filter
    void DBGrid2DblClick();     // query on the chosen table into the editor
    void ADOConnection1AfterConnect(); // status line: the current database
    void Button3Click();        // ExecSQL
    void Button4Click();        // Open
    void BitBtn1Click();        // batch run
    void YeniClick();           // script files
    void AcClick();
    void KaydetClick();
    void EdefterSiff();         // inspection queries
    void efatsifre();
    void BitBtn2Click();
    void DEMDetayli();          // fixed-asset reports
    void DEMOzet();
    void Timer1Timer();         // periodic cursor reset
    bool FormClose();           // year into the settings file; false keeps the window open

signals:
    // The window has closed (its close was not refused).
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct CommandRunning
    {
        explicit CommandRunning(int &count) : count(count) { ++count; }
        ~CommandRunning() { --count; }
        int &count;
    };

    int m_commandsRunning = 0;
    struct Ports;
    struct Data;
    std::unique_ptr<Data> m_data; // before the controls' adapters, gone after them
    std::unique_ptr<Ui::RuZovi1> m_ui;
    std::unique_ptr<Ports> m_ports;
    std::unique_ptr<yorsabat::ErrorReporter> m_errorBox;
    yorsabat::ErrorReporter *m_reporter = nullptr;
    QTimer *m_timer1 = nullptr;
};
