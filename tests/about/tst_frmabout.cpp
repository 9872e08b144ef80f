// The about box: title, terms link, OK.
#include "about/Product.h"
#include "about/frmAbout.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace pellmarch;

class TestFrmAbout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void titleNamesProductVersionAndOwner();
    void versionNumbersArePlainDecimals();
    void captions();
    void termsLinkAndOk();
};

void TestFrmAbout::titleNamesProductVersionAndOwner() {
    testing::FakeServices fakes;
    about::frmAbout box(fakes.shell, fakes.boxes, fakes.services.endpoints.termsPage());
    QCOMPARE(box.windowTitle(), QStringLiteral("About"));
    const QStringList lines =
        box.findChild<QLabel *>(QStringLiteral("lblTitle"))->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("Verlund Dynamic DNS Version 1.6"));
    QCOMPARE(lines.at(1), QString::fromUtf8(about::kNoticeLine1));
    QCOMPARE(lines.at(2), QString::fromUtf8(about::kNoticeLine2));
    QVERIFY(!box.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
}

void TestFrmAbout::versionNumbersArePlainDecimals() {
    QVERIFY(
        about::AboutTitle(1, 10).startsWith(QStringLiteral("Verlund Dynamic DNS Version 1.10\n")));
    QCOMPARE(about::VersionText(1, 6), QStringLiteral("1.6"));
    QCOMPARE(about::VersionText(2, 0), QStringLiteral("2.0"));
}

void TestFrmAbout::captions() {
    const QString notice = QString::fromUtf8(about::kCaptionNotice);
    QCOMPARE(about::LoginVersionCaption(), QStringLiteral("Login   version 1.6") + notice);
    QCOMPARE(about::MainWindowCaption(),
             QStringLiteral("Verlund Dynamic DNS version 1.6") + notice);
}

void TestFrmAbout::termsLinkAndOk() {
    testing::FakeServices fakes;
    about::frmAbout box(fakes.shell, fakes.boxes, fakes.services.endpoints.termsPage());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QWidget *link = box.findChild<QWidget *>(QStringLiteral("Label1"));
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    // From the keyboard too: the link takes the focus with Tab and opens with Space. Opening a
    // page twice opens it twice.
    QTest::keyClick(&box, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), link);
    QTest::keyClick(link, Qt::Key_Space);
    QCOMPARE(fakes.shell.pages, QStringList(3, QStringLiteral("http://dns.example/tos.htm")));
    QVERIFY(fakes.boxes.shown.isEmpty());
    // Without a browser the address is given, to be copied.
    fakes.shell.opens = false;
    QTest::keyClick(link, Qt::Key_Space);
    QCOMPARE(fakes.boxes.selectable,
             QStringList{QStringLiteral("The page could not be opened in a web browser. Its "
                                        "address is:\nhttp://dns.example/tos.htm")});
    QTest::mouseClick(box.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
