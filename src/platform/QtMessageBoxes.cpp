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

// How QMessageBox sizes itself on a screen `width` wide: text that fits in `soft` keeps its
// lines; longer text wraps, at `soft` unless something in the box is wider; beyond `hard` it
// breaks anywhere, even inside words.
struct BoxLimits {
    int soft;
    int hard;
};
BoxLimits limitsOn(int width) {
    return {std::min(width / 2, 500), width <= 1024 ? width : std::min(width - 480, 1000)};
}

// The program's boxes carry no icon: neither the column that QMessageBox keeps free for one (an
// indent before the text, and a column that takes half of any room to spare), nor the coloured
// marks some desktops put on Yes and No. The text spans the box and is wrapped at the width of
// its longest line, about kWrapCharacters at most (or where QMessageBox wraps, if wider), never
// wider than the screen leaves: left to itself, QMessageBox wraps at half the screen, a narrow
// column at 200 %. Their text is plain
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

        // The text's own width on its lines, with what the label adds around it (a selectable
        // text has margins of its own).
        const bool wraps = label->wordWrap();
        label->setWordWrap(false);
        const int longest = label->sizeHint().width();
        label->setWordWrap(wraps);
        const QFontMetrics metrics(label->font());
        const QMargins margins = grid->contentsMargins();
        const int sides = margins.left() + margins.right();
        const QScreen *screen = box.screen();
        const BoxLimits limits =
            limitsOn(screen != nullptr ? screen->availableGeometry().width() : 2 * longest);
        const int wrap =
            std::min({longest, kWrapCharacters * metrics.averageCharWidth(), limits.hard - sides});
        // QMessageBox takes a minimum width for the text's own when it decides whether to wrap:
        // given to a text that needs wrapping in a box QMessageBox would make wider anyway, it
        // would keep the text on its long lines, cut off at the box's edge.
        if (longest <= wrap || wrap + sides > limits.soft)
            label->setMinimumWidth(wrap);
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
