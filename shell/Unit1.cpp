#include "shell/Unit1.h"

#include "ui_Unit1.h"

#include "shell/Anchors.h"
#include "shell/ErrorBox.h"
#include "shell/Settings.h"
#include "shell/WidgetPorts.h"

#include "server/Connection.h"
#include "server/DatabaseList.h"
#include "server/Query.h"
#include "reports/ReportCommands.h"
#include "workbench/WorkbenchCommands.h"
#include "server/QueryTableModel.h"
#include "server/ServerConnection.h"
#include "server/TableBrowser.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTableView>
#include <QTimer>

// The form's picture lives in this static library's resources, which the
// linker would otherwise leave out.
static void initShellResources() { Q_INIT_RESOURCE(shell); }

using namespace yorsabat;

struct TRuZovi1::Ports
{
    explicit Ports(Ui::RuZovi1 &ui, QLabel *statusText)
        : status(statusText), editor(ui.Memo1), databases(ui.CheckListBox1),
          authentication(ui.ComboBox1), server(ui.Edit1), user(ui.Edit2), password(ui.Edit3),
          prefix(ui.Edit4), pattern(ui.Edit8), filter(ui.Edit9), year(ui.Edit10),
          master(ui.CheckBox1), detailed(ui.CheckBox2), summary(ui.CheckBox3), connect(ui.Button5)
    {
    }
    widgets::StatusText status;
    widgets::OverrideBusyCursor busy;
    widgets::PlainTextEditor editor;
    widgets::ListCheckList databases;
    widgets::ComboTextBox authentication;
    widgets::LineEditBox server, user, password, prefix, pattern, filter, year;
    widgets::CheckToggle master, detailed, summary;
    widgets::ButtonCaption connect;
};

namespace {

// DBGrid2's current row: the one the view stands on, else the first row, as
// the cursor of a freshly opened data set would.
class TableGridCursor : public server::GridCursor
{
public:
    explicit TableGridCursor(QTableView *view) : m_view(view) {}
    int currentRow() const override
    {
        const QModelIndex index = m_view->currentIndex();
        if (index.isValid())
            return index.row();
        return m_view->model() && m_view->model()->rowCount() > 0 ? 0 : -1;
    }

private:
    QTableView *m_view;
};

// The connect button, the database list and the table browser over the
// window's controls and data objects.
struct ServerRoad
{
    explicit ServerRoad(TRuZovi1 &w)
        : grid(w.tableGrid()), tables(w.ADOQuery3()),
          databases(w.ADOQuery2(), {w.databaseList(), w.patternBox(), w.masterBox(), w.busyCursor(), w.statusLine()}),
          connection(w.ADOConnection1(), databases, login,
                     {w.connectButton(), w.authenticationBox(), w.serverBox(), w.userBox(), w.passwordBox(),
                      w.prefixBox(), w.busyCursor(), w.statusLine()}),
          browser(w.ADOConnection1(), w.ADOQuery1(), w.ADOQuery3(),
                  {w.databaseList(), w.filterBox(), w.editor(), grid, w.statusLine()})
    {
        w.tableGrid()->setModel(&tables);
    }
    TableGridCursor grid;
    server::QueryTableModel tables; // DBGrid2 shows ADOQuery3
    server::SettingsFileLogin login;
    server::DatabaseList databases;
    server::ServerConnection connection;
    server::TableBrowser browser;
};

} // namespace

struct TRuZovi1::Data
{
    // Declared before the queries, so they go before it.
    server::Connection connection;
    server::Query query1{connection, QStringLiteral("ADOQuery1")};
    server::Query query2{connection, QStringLiteral("ADOQuery2")};
    server::Query query3{connection, QStringLiteral("ADOQuery3")};
    server::Query query11{connection, QStringLiteral("ADOQuery11")};
    std::unique_ptr<workbench::WorkbenchCommands> workbench; // made once the controls exist
    std::unique_ptr<reports::ReportCommands> reports;        // made once the controls exist
    std::unique_ptr<ServerRoad> road; // made once the controls exist
};

TRuZovi1::TRuZovi1(QWidget *parent)
    : QMainWindow(parent), m_data(std::make_unique<Data>()), m_ui(std::make_unique<Ui::RuZovi1>()), m_errorBox(std::make_unique<ErrorBox>(this))
{
    initShellResources();
    m_ui->setupUi(this);

    // The status line: one plain text over the whole width. A label rather
    // than a status message, which menu hovering would clear.
    auto *statusText = new QLabel(m_ui->StatusBar1);
    statusText->setObjectName(QStringLiteral("StatusBar1Text"));
    m_ui->StatusBar1->addWidget(statusText, 1);
    m_ui->StatusBar1->setFixedHeight(19);
    m_ports = std::make_unique<Ports>(*m_ui, statusText);
    m_data->workbench = std::make_unique<workbench::WorkbenchCommands>(
        this, m_data->connection, m_data->query1,
        workbench::WorkbenchCommands::Controls{m_ports->editor, m_ports->status, m_ports->busy, m_ports->databases,
                                               m_ports->detailed, m_ports->summary, m_ports->year});
    m_data->reports = std::make_unique<reports::ReportCommands>(
        m_data->connection, m_data->query11,
        reports::ReportCommands::Controls{m_ports->editor, m_ports->year, m_ports->detailed, m_ports->summary},
        [this] { return workbench().runBatch(); });
    // The batch calls the reports outside the error wrapper: their error ends the run.
    m_data->workbench->setReports({[this] { reports().DEMDetayli(); }, [this] { reports().DEMOzet(); }});
    m_data->road = std::make_unique<ServerRoad>(*this);

    // Client area 797 x 600 under the menu bar; the form fixes it, growing
    // only when maximized (the controls then follow their anchors).
    const QSize client(797, 600);
    resize(client.width(), client.height() + m_ui->MainMenu1->sizeHint().height());
    setMinimumSize(size());
    move(495, 175);
    new Anchors(m_ui->centralwidget, m_ui->PageControl1->geometry().size());

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &TRuZovi1::Timer1Timer);
    m_timer1->start();

    settings::load(m_ports->authentication, m_ports->server, m_ports->user, m_ports->password, m_ports->year);
}

TRuZovi1::~TRuZovi1() = default;

StatusLine &TRuZovi1::statusLine() { return m_ports->status; }
BusyCursor &TRuZovi1::busyCursor() { return m_ports->busy; }
Editor &TRuZovi1::editor() { return m_ports->editor; }
CheckList &TRuZovi1::databaseList() { return m_ports->databases; }
TextBox &TRuZovi1::authenticationBox() { return m_ports->authentication; }
TextBox &TRuZovi1::serverBox() { return m_ports->server; }
TextBox &TRuZovi1::userBox() { return m_ports->user; }
TextBox &TRuZovi1::passwordBox() { return m_ports->password; }
TextBox &TRuZovi1::prefixBox() { return m_ports->prefix; }
TextBox &TRuZovi1::patternBox() { return m_ports->pattern; }
TextBox &TRuZovi1::filterBox() { return m_ports->filter; }
TextBox &TRuZovi1::yearBox() { return m_ports->year; }
Toggle &TRuZovi1::masterBox() { return m_ports->master; }
Toggle &TRuZovi1::detailedPerDatabaseBox() { return m_ports->detailed; }
Toggle &TRuZovi1::summaryPerDatabaseBox() { return m_ports->summary; }
Caption &TRuZovi1::connectButton() { return m_ports->connect; }
QTableView *TRuZovi1::tableGrid() { return m_ui->DBGrid2; }

server::Connection &TRuZovi1::ADOConnection1() { return m_data->connection; }
server::Query &TRuZovi1::ADOQuery1() { return m_data->query1; }
server::Query &TRuZovi1::ADOQuery2() { return m_data->query2; }
server::Query &TRuZovi1::ADOQuery3() { return m_data->query3; }
server::Query &TRuZovi1::ADOQuery11() { return m_data->query11; }
workbench::WorkbenchCommands &TRuZovi1::workbench() { return *m_data->workbench; }
reports::ReportCommands &TRuZovi1::reports() { return *m_data->reports; }

void TRuZovi1::setErrorReporter(ErrorReporter *reporter) { m_reporter = reporter; }
ErrorReporter &TRuZovi1::errorReporter() { return m_reporter ? *m_reporter : *m_errorBox; }

// ---- Shell ------------------------------------------------------------------

void TRuZovi1::Timer1Timer()
{
    if (m_commandsRunning == 0)
        m_ports->busy.off();
}

bool TRuZovi1::FormClose()
{
    return runCommand([this] { settings::saveYear(m_ports->year); });
}

void TRuZovi1::closeEvent(QCloseEvent *event)
{
    // A refused write keeps the window open; the next close tries again.
    if (!FormClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    emit closed();
}

// ---- Server: connection, database list, table browser ------------------------

void TRuZovi1::Button5Click() { runCommand([this] { m_data->road->connection.Button5Click(); }); }
// Runs inside whatever opened the connection; its error ends that command.
void TRuZovi1::ADOConnection1AfterConnect() { m_data->road->connection.ADOConnection1AfterConnect(); }
void TRuZovi1::DEMBut1Click() { runCommand([this] { m_data->road->databases.DEMBut1Click(); }); }
void TRuZovi1::CheckListBox1Click() { runCommand([this] { m_data->road->browser.CheckListBox1Click(); }); }
void TRuZovi1::Edit9Change() { runCommand([this] { m_data->road->browser.Edit9Change(); }); }
void TRuZovi1::DBGrid2DblClick() { runCommand([this] { m_data->road->browser.DBGrid2DblClick(); }); }

// ---- Workbench: script files, statement execution, batch, inspection queries -

void TRuZovi1::YeniClick() { runCommand([this] { workbench().files.YeniClick(); }); }
void TRuZovi1::AcClick() { runCommand([this] { workbench().files.AcClick(); }); }
void TRuZovi1::KaydetClick() { runCommand([this] { workbench().files.KaydetClick(); }); }
void TRuZovi1::Button3Click() { runCommand([this] { workbench().statements.Button3Click(); }); }
void TRuZovi1::Button4Click() { runCommand([this] { workbench().statements.Button4Click(); }); }
void TRuZovi1::BitBtn1Click() { runCommand([this] { workbench().batch.BitBtn1Click(); }); }
void TRuZovi1::EdefterSiff() { runCommand([this] { workbench().canned.EdefterSiff(); }); }
void TRuZovi1::efatsifre() { runCommand([this] { workbench().canned.efatsifre(); }); }
void TRuZovi1::BitBtn2Click() { runCommand([this] { workbench().canned.BitBtn2Click(); }); }

// ---- Reports: fixed-asset report run ------------------------------------------

void TRuZovi1::DEMDetayli() { runCommand([this] { reports().DEMDetayli(); }); }
void TRuZovi1::DEMOzet() { runCommand([this] { reports().DEMOzet(); }); }
