#pragma once

#include "shell/ErrorWrapper.h"

class QWidget;

namespace yorsabat {

// The error box: modal, the message and an OK button. Timer ticks go on while
// it is open, so the busy cursor is reset behind it.
class ErrorBox : public ErrorReporter
{
public:
    explicit ErrorBox(QWidget *parent = nullptr) : m_parent(parent) {}
    void showError(const QString &message) override;

private:
    QWidget *m_parent;
};

} // namespace yorsabat
