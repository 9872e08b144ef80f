#include "records/frameOtherDomain.h"

#include "platform/EnterKeys.h"
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

// Drop-down lists offer the subscriber's choices only; the shown text is never typed.
QComboBox *choiceList(QWidget *frame, const char *name, const QString &accessibleName, int top) {
    auto *box = named(new QComboBox(frame), name, accessibleName);
    box->setGeometry(twipsRect(1800, top, 2775, 315));
    return box;
}

} // namespace

frameOtherDomain::frameOtherDomain(QWidget *parent) : QFrame(parent) {
    platform::placeContentFrame(this, "frameOtherDomain", QStringLiteral("Record"),
                                twipsRect(480, 1200, 6735, kHeightTwips));

    cboDomain = choiceList(this, "cboDomain", QStringLiteral("Domain:"), 480);
    platform::addLabel(this, "lblDomainH", QStringLiteral("Domain:"),
                       twipsRect(240, 480, 1455, 315), cboDomain);
    cboRecordType = choiceList(this, "cboRecordType", QStringLiteral("Record Type:"), 960);
    platform::addLabel(this, "lblRecordTypeH", QStringLiteral("Record Type:"),
                       twipsRect(240, 960, 1455, 315), cboRecordType);

    txtCName = named(new QLineEdit(this), "txtCName", QStringLiteral("Name:"));
    txtCName->setGeometry(twipsRect(1800, 1440, 2775, 375));
    QLabel *nameLabel = platform::addLabel(this, "lblCNameH", QStringLiteral("Name:"),
                                           twipsRect(240, 1440, 1455, 375), txtCName);
    for (QWidget *hinted : {static_cast<QWidget *>(nameLabel), static_cast<QWidget *>(txtCName)}) {
        hinted->setToolTip(kNameHint);
        hinted->setAccessibleDescription(kNameHint);
    }

    txtServerIP = named(new QLineEdit(this), "txtServerIP", QStringLiteral("Server Address:"));
    txtServerIP->setGeometry(twipsRect(1800, 2040, 2775, 375));
    // The designed label is two lines high; its text stands level with the box.
    platform::addLabel(this, "lblServerIPH", QStringLiteral("Server Address:"),
                       twipsRect(240, 2040, 1455, 375), txtServerIP);

    cmdServerIP = platform::addButton(this, "cmdServerIP", QStringLiteral("Update"),
                                      twipsRect(4800, 2040, 1815, 375));

    chkDomainAutoIP = named(new QCheckBox(QStringLiteral("Automatic IP Resolution"), this),
                            "chkDomainAutoIP", QStringLiteral("Automatic IP Resolution"));
    chkDomainAutoIP->setGeometry(twipsRect(240, 2640, 4215, 375));

    cmdCancel = platform::addButton(this, "cmdCancel", QStringLiteral("Cancel"),
                                    twipsRect(4800, 2520, 1815, 375));
    // Escape leaves the editor as "Cancel" does (only while the editor is shown).
    cmdCancel->setShortcut(QKeySequence(Qt::Key_Escape));

    // Enter anywhere in the record sends it, as "Update" does.
    for (QWidget *box : std::initializer_list<QWidget *>{cboDomain, cboRecordType, txtCName,
                                                         txtServerIP, chkDomainAutoIP})
        platform::PressOnEnter(box, cmdServerIP);

    setTabOrder(cboDomain, cboRecordType);
    setTabOrder(cboRecordType, txtCName);
    setTabOrder(txtCName, txtServerIP);
    setTabOrder(txtServerIP, cmdServerIP);
    setTabOrder(cmdServerIP, chkDomainAutoIP);
    setTabOrder(chkDomainAutoIP, cmdCancel);
}

} // namespace pellmarch::records
