#include "records/frameOtherDomain.h"

#include "platform/Twips.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pellmarch::records {

using platform::named;
using platform::twipsRect;

namespace {

QLabel *caption(QWidget *frame, const char *name, const QString &text, const QRect &rect,
                QWidget *buddy) {
    auto *label = named(new QLabel(text, frame), name, text);
    label->setGeometry(rect);
    label->setAlignment(platform::kAlignLeft);
    label->setBuddy(buddy);
    return label;
}

// Drop-down lists offer the subscriber's choices only; the shown text is never typed.
QComboBox *choiceList(QWidget *frame, const char *name, const QString &accessibleName, int top) {
    auto *box = named(new QComboBox(frame), name, accessibleName);
    box->setGeometry(twipsRect(1800, top, 2775, 315));
    return box;
}

} // namespace

frameOtherDomain::frameOtherDomain(QWidget *parent) : QFrame(parent) {
    setObjectName(QStringLiteral("frameOtherDomain"));
    setAccessibleName(QStringLiteral("Record"));
    setGeometry(twipsRect(480, 1200, 6735, kHeightTwips));
    platform::setBackground(this, Qt::white);

    cboDomain = choiceList(this, "cboDomain", QStringLiteral("Domain:"), 480);
    caption(this, "lblDomainH", QStringLiteral("Domain:"), twipsRect(240, 480, 1455, 315),
            cboDomain);
    cboRecordType = choiceList(this, "cboRecordType", QStringLiteral("Record Type:"), 960);
    caption(this, "lblRecordTypeH", QStringLiteral("Record Type:"), twipsRect(240, 960, 1455, 315),
            cboRecordType);

    txtCName = named(new QLineEdit(this), "txtCName", QStringLiteral("Name:"));
    txtCName->setGeometry(twipsRect(1800, 1440, 2775, 375));
    QLabel *nameLabel = caption(this, "lblCNameH", QStringLiteral("Name:"),
                                twipsRect(240, 1440, 1455, 375), txtCName);
    for (QWidget *hinted : {static_cast<QWidget *>(nameLabel), static_cast<QWidget *>(txtCName)}) {
        hinted->setToolTip(kNameHint);
        hinted->setAccessibleDescription(kNameHint);
    }

    txtServerIP = named(new QLineEdit(this), "txtServerIP", QStringLiteral("Server Address:"));
    txtServerIP->setGeometry(twipsRect(1800, 2040, 2775, 375));
    // The designed label is two lines high; its text stands level with the box.
    caption(this, "lblServerIPH", QStringLiteral("Server Address:"),
            twipsRect(240, 2040, 1455, 375), txtServerIP);

    cmdServerIP = named(new QPushButton(QStringLiteral("Update"), this), "cmdServerIP",
                        QStringLiteral("Update"));
    cmdServerIP->setGeometry(twipsRect(4800, 2040, 1815, 375));
    cmdServerIP->setAutoDefault(false);

    chkDomainAutoIP = named(new QCheckBox(QStringLiteral("Automatic IP Resolution"), this),
                            "chkDomainAutoIP", QStringLiteral("Automatic IP Resolution"));
    chkDomainAutoIP->setGeometry(twipsRect(240, 2640, 4215, 375));

    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel",
                      QStringLiteral("Cancel"));
    cmdCancel->setGeometry(twipsRect(4800, 2520, 1815, 375));
    cmdCancel->setAutoDefault(false);

    setTabOrder(cboDomain, cboRecordType);
    setTabOrder(cboRecordType, txtCName);
    setTabOrder(txtCName, txtServerIP);
    setTabOrder(txtServerIP, cmdServerIP);
    setTabOrder(cmdServerIP, chkDomainAutoIP);
    setTabOrder(chkDomainAutoIP, cmdCancel);
}

} // namespace pellmarch::records
