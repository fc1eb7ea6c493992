#include "shell/ErrorBox.h"
#include "reports/Forms3.h"
#include "reports/ReportCommands.h"
#include "shell/Unit1.h"
#include "workbench/Unit2.h"
#include "workbench/WorkbenchCommands.h"

#include <QApplication>

#include <clocale>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Qt took the C library's locale from the environment; numbers written to
    // files must not get a decimal comma.
    std::setlocale(LC_NUMERIC, "C");

    std::unique_ptr<TRuZovi1> RuZovi1;
    std::unique_ptr<TForm2> Form2; // goes before the query it shows
    std::unique_ptr<TForm3> Form3; // likewise
    yorsabat::ErrorBox startupErrorBox;
    yorsabat::runGuarded(startupErrorBox, [&] {
        RuZovi1 = std::make_unique<TRuZovi1>();
        // The result window Form2 and the asset view window Form3 are created
        // here, hidden, after the main window.
        Form2 = std::make_unique<TForm2>(RuZovi1->ADOQuery1());
        RuZovi1->workbench().setResultWindow(Form2.get());
        Form3 = std::make_unique<TForm3>(RuZovi1->ADOQuery11());
        RuZovi1->reports().setAssetView(Form3.get());

        // Closing the main window ends the program, also while a secondary
        // window is still open.
        QObject::connect(RuZovi1.get(), &TRuZovi1::closed, &application, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        RuZovi1->show();
        application.exec();
    });
    return 0;
}
