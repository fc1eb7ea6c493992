#include "shell/ErrorBox.h"

#include <QMessageBox>

namespace yorsabat {

void ErrorBox::showError(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Yorsabat"), message, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText); // server messages may hold '<'
    box.exec();
}

} // namespace yorsabat
