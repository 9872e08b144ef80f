#include "platform/QtMessageBoxes.h"

#include "platform/ProgramTitle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>

namespace pellmarch::platform {

namespace {

// The program's boxes carry no icon: neither the column that QMessageBox keeps free for one (an
// indent before the text), nor the coloured marks some desktops put on Yes and No. Their text is
// plain text: much of it is the service's own (its "Error:" reason), and markup there must show
// as written, never become a live link or formatting.
int showPlain(QMessageBox &box) {
    box.setTextFormat(Qt::PlainText);
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        for (int i = grid->count() - 1; i >= 0; --i) {
            if (grid->itemAt(i)->spacerItem() != nullptr) {
                QLayoutItem *indent = grid->takeAt(i);
                delete indent;
                break;
            }
        }
    }
    for (QAbstractButton *button : box.buttons())
        button->setIcon(QIcon());
    return box.exec();
}

} // namespace

int QtMessageBoxes::show(QMessageBox &box) {
    m_open.append(&box);
    const int answer = showPlain(box);
    m_open.removeAll(&box);
    return answer;
}

void QtMessageBoxes::inform(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    show(box);
}

bool QtMessageBoxes::ask(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return show(box) == QMessageBox::Yes;
}

void QtMessageBoxes::dismissOpen(const QString &text) {
    for (const QPointer<QMessageBox> &box : m_open)
        if (box && box->text() == text)
            box->done(QMessageBox::Ok);
}

} // namespace pellmarch::platform
