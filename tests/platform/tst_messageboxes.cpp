// The program's real message boxes, as the user sees them: caption, icon, buttons, the default
// button, and the answer that each button gives.
#include "platform/QtMessageBoxes.h"
#include "support/Fakes.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using pellmarch::platform::QtMessageBoxes;
using pellmarch::testing::whenModalOpens;

namespace {

// What the box showed, and how it was closed.
struct Seen {
    QString caption;
    QString text; // as its label shows it
    Qt::TextFormat format = Qt::RichText;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QStringList buttons; // captions, in the order shown
    QString defaultButton;
};

// Closes the next box by `key` (Enter, Esc) when `button` is empty, else by clicking the button
// with that caption.
void answerNextBox(Seen &seen, const QString &button, Qt::Key key = Qt::Key_unknown) {
    whenModalOpens([&seen, button, key](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (!box) {
            dialog->close();
            return;
        }
        seen.caption = box->windowTitle();
        if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
            seen.text = label->text();
            seen.format = label->textFormat();
        }
        seen.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            seen.buttons.append(b->text().remove(QLatin1Char('&')));
        seen.buttons.sort();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
        if (button.isEmpty()) {
            QTest::keyClick(box, key);
            return;
        }
        for (QAbstractButton *b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == button)
                QTest::mouseClick(b, Qt::LeftButton);
    });
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void askOffersYesAndNo_data();
    void askOffersYesAndNo();
    void informOffersOK();
    void textSpansTheBox_data();
    void textSpansTheBox();
};

void TestMessageBoxes::askOffersYesAndNo_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << "Yes" << 0 << true;
    QTest::newRow("No") << "No" << 0 << false;
    QTest::newRow("Enter takes the default, Yes") << "" << int(Qt::Key_Return) << true;
}

void TestMessageBoxes::askOffersYesAndNo() {
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(bool, yes);
    QtMessageBoxes boxes;
    Seen seen;
    answerNextBox(seen, button, Qt::Key(key));
    QCOMPARE(boxes.ask(QStringLiteral("Close?\nReally?")), yes);
    QCOMPARE(seen.caption, QStringLiteral("Pellmarch"));
    QCOMPARE(seen.text, QStringLiteral("Close?\nReally?"));
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, (QStringList{"No", "Yes"}));
    QCOMPARE(seen.defaultButton, QStringLiteral("Yes"));
}

void TestMessageBoxes::informOffersOK() {
    QtMessageBoxes boxes;
    Seen seen;
    answerNextBox(seen, QStringLiteral("OK"));
    // A service's reason is shown as it came, never as a live link.
    boxes.inform(QStringLiteral("Could not Set IP.  <a href=\"http://x\">here</a>"));
    QCOMPARE(seen.caption, QStringLiteral("Pellmarch"));
    QCOMPARE(seen.text, QStringLiteral("Could not Set IP.  <a href=\"http://x\">here</a>"));
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QStringList{"OK"});
}

void TestMessageBoxes::textSpansTheBox_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mostLines");
    QTest::newRow("the closing question")
        << "ask"
        << "By closing this application you will remove your DNS records from the DNS Server \n"
           "making your server unreachable by it's Verlund domain name.\n"
           "Are you sure you want to close it?"
        << 4;
    QTest::newRow("a short one") << "inform"
                                 << "Enter a Username" << 1;
    QTest::newRow("a parking that failed")
        << "inform"
        << "ann.dyn.verlund.example could not be taken off the DNS server: it still points at "
           "203.0.113.9.\nThe service said: Record locked"
        << 4;
    // A page's address to copy: its text selectable.
    QTest::newRow("an address to copy")
        << "selectable"
        << "The page could not be opened in a web browser. Its address is:\n"
           "http://www.verlund.example/support.htm"
        << 3;
}

// At any scale (run at 100 % and at 200 %): the text starts at the box's margin, with no blank
// column before it, and wraps at a width that keeps it to a few lines, inside the screen.
void TestMessageBoxes::textSpansTheBox() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, mostLines);
    QtMessageBoxes boxes;
    int lines = 0;
    int left = -1;
    int margin = -1;
    int width = 0;
    int room = 0;
    bool cut = true;
    Qt::TextInteractionFlags interaction;
    whenModalOpens([&](QWidget *dialog) {
        auto *label = dialog->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        lines = label->height() / label->fontMetrics().lineSpacing();
        left = label->mapTo(dialog, QPoint()).x();
        margin = dialog->layout()->contentsMargins().left();
        width = dialog->width();
        room = dialog->screen()->availableGeometry().width();
        interaction = label->textInteractionFlags();
        int longest = 0;
        for (const QString &line : text.split(QLatin1Char('\n')))
            longest = std::max(longest, label->fontMetrics().horizontalAdvance(line));
        cut = !label->wordWrap() && longest > label->width();
        dialog->close();
    });
    if (kind == QLatin1String("ask"))
        boxes.ask(text);
    else if (kind == QLatin1String("inform"))
        boxes.inform(text);
    else
        boxes.informSelectable(text);
    QVERIFY2(lines >= 1 && lines <= mostLines, qPrintable(QString::number(lines)));
    QVERIFY2(left >= margin && left <= margin + 2,
             qPrintable(QStringLiteral("text at %1, margin %2").arg(left).arg(margin)));
    QVERIFY(width <= room);
    QVERIFY2(!cut, "a line runs past the box's edge");
    const Qt::TextInteractionFlags selectable =
        Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    QCOMPARE(interaction.testFlags(selectable), kind == QLatin1String("selectable"));
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
