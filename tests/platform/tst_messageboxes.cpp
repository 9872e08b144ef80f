// The program's real message boxes, as the user sees them: caption, icon, buttons, the default
// button, and the answer that each button gives.
#include "platform/QtMessageBoxes.h"
#include "support/Fakes.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

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

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
