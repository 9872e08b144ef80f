#include "address/OwnAddress.h"

#include "address/frameVerlundDomain.h"
#include "platform/Widgets.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "session/MainWindow.h"
#include "session/SavedSettings.h"
#include "session/WorkGuard.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace pellmarch::address {

namespace {
const QString kOwnRecordType = QStringLiteral("A");
}

OwnAddress::OwnAddress(session::Services &services, session::MainWindow &mainWindow,
                       protocol::DnsClient &client, QWidget *frameParent)
    : QObject(frameParent), m_services(services), m_mainWindow(mainWindow), m_client(client),
      m_frameVerlundDomain(new frameVerlundDomain(frameParent)) {
    tmrAuto.setObjectName(QStringLiteral("tmrAuto"));
    tmrAuto.setInterval(services.refreshInterval);
    // The box reacts to every change of its state, by the user or by set-up, and only then.
    connect(m_frameVerlundDomain->chkAutoIP, &QCheckBox::toggled, this,
            &OwnAddress::chkAutoIP_Click);
}

bool OwnAddress::isAutoIPTicked() const {
    return m_frameVerlundDomain->chkAutoIP->isChecked();
}

void OwnAddress::chkAutoIP_Click() {
    if (isAutoIPTicked())
        m_frameVerlundDomain->txtVerlundIP->setText(m_mainWindow.shownAddress());
}

void OwnAddress::SetUpMainWindow() {
    // The two commands below wait in local event loops; no tick may run in between.
    const session::WorkGuard::Hold busy(m_services.work);
    protocol::clsUser &user = m_services.user;
    platform::SettingsStore &settings = m_services.settings;

    tmrAuto.start();
    m_mainWindow.setShownAddress(user.sIPAddress);
    user.bVerlundOnly = false;
    if (user.sSubDomain.isEmpty()) {
        m_mainWindow.SetUpRecordTable();
        return;
    }

    user.sDomain = user.sSubDomain;
    user.bVerlundOnly = true;
    QLineEdit *txtVerlundIP = m_frameVerlundDomain->txtVerlundIP;
    // A new login starts clean: an address typed or saved for the subscriber before must never
    // be registered for this one.
    txtVerlundIP->clear();
    m_mainWindow.showView(session::View::OwnSubDomain);

    if (session::IsSettingOn(session::ReadSetting(settings, session::kAutoIPKey)))
        m_frameVerlundDomain->chkAutoIP->setChecked(true);
    if (session::ReadSetting(settings, session::kUsernameKey) == user.sUsername)
        txtVerlundIP->setText(session::ReadSetting(settings, session::kIPAddressKey));
    if (txtVerlundIP->text().isEmpty())
        txtVerlundIP->setText(user.sIPAddress);
    user.sIPAddress = txtVerlundIP->text();
    user.sRecordType = kOwnRecordType;

    // The window is on screen, filled, before the requests keep the event loop away.
    m_mainWindow.repaintNow();
    m_client.SendRecordCommand(user.sSubDomain, user.sUsername,
                               QLatin1String(protocol::kRecordDelete), user.sRecordType,
                               m_services.parkingAddress, false, false);
    m_client.SendRecordCommand(user.sSubDomain, user.sUsername, QLatin1String(protocol::kRecordAdd),
                               user.sRecordType, txtVerlundIP->text(), false, isAutoIPTicked());

    platform::showValue(m_frameVerlundDomain->lblUserName, user.sUsername);
    platform::showValue(m_frameVerlundDomain->lblDomain, user.sSubDomain);
}

} // namespace pellmarch::address
