#include "platform/QtMessageBoxes.h"

#include "platform/ProgramTitle.h"

#include <QApplication>
#include <QMessageBox>

namespace pellmarch::platform {

void QtMessageBoxes::inform(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtMessageBoxes::ask(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace pellmarch::platform
