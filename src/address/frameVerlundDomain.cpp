#include "address/frameVerlundDomain.h"

#include "platform/Twips.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pellmarch::address {

using platform::named;
using platform::twipsRect;

namespace {

QLabel *label(QWidget *frame, const char *name, const QString &text, const QRect &rect) {
    auto *l = named(new QLabel(text, frame), name, text);
    l->setGeometry(rect);
    l->setAlignment(platform::kAlignLeft);
    return l;
}

} // namespace

frameVerlundDomain::frameVerlundDomain(QWidget *parent) : QFrame(parent) {
    setObjectName(QStringLiteral("frameVerlundDomain"));
    setAccessibleName(QStringLiteral("Own host name"));
    setGeometry(twipsRect(480, 1200, 7935, kHeightTwips));
    platform::setBackground(this, Qt::white);

    label(this, "Label5", QStringLiteral("Username:"), twipsRect(240, 240, 1455, 315));
    lblUserName =
        label(this, "lblUserName", QStringLiteral("Username"), twipsRect(1800, 240, 5895, 315));
    label(this, "Label4", QStringLiteral("Domain:"), twipsRect(240, 660, 1455, 315));
    lblDomain = label(this, "lblDomain", QStringLiteral("Domain"), twipsRect(1800, 660, 5895, 315));

    txtVerlundIP = named(new QLineEdit(this), "txtVerlundIP", QStringLiteral("IPAddress:"));
    txtVerlundIP->setGeometry(twipsRect(1800, 1080, 2775, 375));
    label(this, "Label3", QStringLiteral("IPAddress:"), twipsRect(240, 1080, 1455, 375))
        ->setBuddy(txtVerlundIP);

    cmdVerlundSetIP = named(new QPushButton(QStringLiteral("Set Alternate IP"), this),
                            "cmdVerlundSetIP", QStringLiteral("Set Alternate IP"));
    cmdVerlundSetIP->setGeometry(twipsRect(4800, 1080, 1815, 375));
    cmdVerlundSetIP->setAutoDefault(false);

    chkAutoIP = named(new QCheckBox(QStringLiteral("Automatic IP Resolution"), this), "chkAutoIP",
                      QStringLiteral("Automatic IP Resolution"));
    chkAutoIP->setGeometry(twipsRect(240, 1560, 4215, 375));

    setTabOrder(txtVerlundIP, cmdVerlundSetIP);
    setTabOrder(cmdVerlundSetIP, chkAutoIP);
}

} // namespace pellmarch::address
