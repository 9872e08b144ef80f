// The text cursor stops blinking when nobody has used the program for a while, and blinks
// again at the next key or click.
#include "platform/CaretRest.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

using namespace std::chrono_literals;
using pellmarch::platform::CaretRest;

class TestCaretRest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void restsAndWakes_data();
    void restsAndWakes();
};

void TestCaretRest::restsAndWakes_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("a key wakes it") << true;
    QTest::newRow("a click wakes it") << false;
}

void TestCaretRest::restsAndWakes() {
    QFETCH(bool, byKey);
    QStyleHints *hints = QGuiApplication::styleHints();
    hints->setCursorFlashTime(1000);
    QWidget window;
    auto *box = new QLineEdit(&window);
    auto *other = new QLineEdit(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(box);
    layout->addWidget(other);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();

    auto rest = std::make_unique<CaretRest>(100ms);
    QCOMPARE(hints->cursorFlashTime(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(hints->cursorFlashTime(), 0, 5000);
    QVERIFY(rest->isResting());

    if (byKey)
        QTest::keyClick(box, Qt::Key_7);
    else
        QTest::mouseClick(other, Qt::LeftButton);
    QCOMPARE(hints->cursorFlashTime(), 1000);
    QVERIFY(!rest->isResting());

    // It rests again after the next quiet spell, and blinks again once the watch ends.
    QTRY_COMPARE_WITH_TIMEOUT(hints->cursorFlashTime(), 0, 5000);
    rest.reset();
    QCOMPARE(hints->cursorFlashTime(), 1000);
}

QTEST_MAIN(TestCaretRest)
#include "tst_caretrest.moc"
