#include "platform/QtMessageBoxes.h"

#include "platform/ProgramTitle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace pellmarch::platform {

namespace {

// A message wraps at about this many characters: lines a reader takes in at a glance, and the
// closing question in four of them at any scale.
constexpr int kWrapCharacters = 72;

// The widest box QMessageBox allows itself on `screen`: wider text it breaks anywhere, even
// inside words.
int widestBox(const QScreen *screen) {
    const int width = screen->availableGeometry().width();
    return width <= 1024 ? width : std::min(width - 480, 1000);
}

// The program's boxes carry no icon: neither the column that QMessageBox keeps free for one (an
// indent before the text, and a column that takes half of any room to spare), nor the coloured
// marks some desktops put on Yes and No. The text spans the box and is wrapped at the width of
// its longest line, about kWrapCharacters at most, never wider than the screen leaves: left to
// itself, QMessageBox wraps at half the screen, a narrow column at 200 %. Their text is plain
// text: much of it is the service's own (its "Error:" reason), and markup there must show as
// written, never become a live link or formatting.
int showPlain(QMessageBox &box) {
    box.setTextFormat(Qt::PlainText);
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (grid != nullptr && label != nullptr) {
        for (int i = grid->count() - 1; i >= 0; --i) {
            if (grid->itemAt(i)->spacerItem() != nullptr)
                delete grid->takeAt(i);
        }
        grid->removeWidget(label);
        grid->addWidget(label, 0, 0, 1, grid->columnCount());

        const QFontMetrics metrics(label->font());
        int longest = 0;
        for (const QString &line : box.text().split(QLatin1Char('\n')))
            longest = std::max(longest, metrics.horizontalAdvance(line));
        const QMargins margins = grid->contentsMargins();
        const QScreen *screen = box.screen();
        const int room =
            (screen != nullptr ? widestBox(screen) : longest) - margins.left() - margins.right();
        label->setMinimumWidth(
            std::min({longest, kWrapCharacters * metrics.averageCharWidth(), room}));
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

void QtMessageBoxes::informSelectable(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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
