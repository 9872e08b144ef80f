#include "address/frameVerlundDomain.h"

#include "platform/EnterKeys.h"
#include "platform/Twips.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pellmarch::address {

using platform::addLabel;
using platform::named;
using platform::twipsRect;

frameVerlundDomain::frameVerlundDomain(QWidget *parent) : QFrame(parent) {
    platform::placeContentFrame(this, "frameVerlundDomain", QStringLiteral("Own host name"),
                                twipsRect(480, 1200, 7935, kHeightTwips));

    // The values are said with their headings.
    lblUserName =
        addLabel(this, "lblUserName", QStringLiteral("Username"), twipsRect(1800, 240, 5895, 315));
    addLabel(this, "Label5", QStringLiteral("Username:"), twipsRect(240, 240, 1455, 315),
             lblUserName);
    lblDomain =
        addLabel(this, "lblDomain", QStringLiteral("Domain"), twipsRect(1800, 660, 5895, 315));
    addLabel(this, "Label4", QStringLiteral("Domain:"), twipsRect(240, 660, 1455, 315), lblDomain);

    txtVerlundIP = named(new QLineEdit(this), "txtVerlundIP", QStringLiteral("IPAddress:"));
    txtVerlundIP->setGeometry(twipsRect(1800, 1080, 2775, 375));
    addLabel(this, "Label3", QStringLiteral("IPAddress:"), twipsRect(240, 1080, 1455, 375))
        ->setBuddy(txtVerlundIP);

    cmdVerlundSetIP =
        platform::addButton(this, "cmdVerlundSetIP", QStringLiteral("Set Alternate IP"),
                            twipsRect(4800, 1080, 1815, 375));
    platform::PressOnEnter(txtVerlundIP, cmdVerlundSetIP);

    chkAutoIP = named(new QCheckBox(QStringLiteral("Automatic IP Resolution"), this), "chkAutoIP",
                      QStringLiteral("Automatic IP Resolution"));
    chkAutoIP->setGeometry(twipsRect(240, 1560, 4215, 375));

    setTabOrder(txtVerlundIP, cmdVerlundSetIP);
    setTabOrder(cmdVerlundSetIP, chkAutoIP);
}

} // namespace pellmarch::address
