#pragma once

#include "platform/MessageBoxes.h"

#include <QList>
#include <QPointer>

class QMessageBox;

namespace pellmarch::platform {

// MessageBoxes as QMessageBox dialogs over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    void inform(const QString &text) override;
    void informSelectable(const QString &text) override;
    bool ask(const QString &text) override;
    void dismissOpen(const QString &text) override;

private:
    int show(QMessageBox &box);

    // The messages open now, innermost last.
    QList<QPointer<QMessageBox>> m_open;
};

} // namespace pellmarch::platform
