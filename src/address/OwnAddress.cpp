#include "address/OwnAddress.h"

#include "address/frameVerlundDomain.h"
#include "platform/MessageBoxes.h"
#include "platform/WakeSignals.h"
#include "platform/Widgets.h"
#include "protocol/AnswerText.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "protocol/RecordList.h"
#include "session/HistoryFile.h"
#include "session/MainWindow.h"
#include "session/MarkFile.h"
#include "session/SavedSettings.h"
#include "session/WorkGuard.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <utility>

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
    connect(m_frameVerlundDomain->cmdVerlundSetIP, &QPushButton::clicked, this,
            &OwnAddress::cmdVerlundSetIP_Click);
    connect(&tmrAuto, &QTimer::timeout, this, &OwnAddress::tickNow);
}

void OwnAddress::tickNow() {
    m_services.work.runOrHold([this] { tmrAuto_Timer(); });
}

void OwnAddress::checkNow() {
    if (!tmrAuto.isActive())
        return; // no subscriber set up yet
    m_checkAsked = true;
    tickNow();
}

OwnAddress::~OwnAddress() {
    // A tick held back for this window must not run after it.
    m_services.work.dropHeldWork();
}

bool OwnAddress::isAutoIPTicked() const {
    return m_frameVerlundDomain->chkAutoIP->isChecked();
}

void OwnAddress::chkAutoIP_Click() {
    if (isAutoIPTicked())
        m_frameVerlundDomain->txtVerlundIP->setText(m_mainWindow.shownAddress());
    // Kept at once: the program is rarely closed by hand.
    saveOwnSettings();
}

void OwnAddress::SetUpMainWindow() {
    // The two commands below wait in local event loops; no tick may run in between.
    const session::WorkGuard::Hold busy(m_services.work);
    protocol::clsUser &user = m_services.user;
    platform::SettingsStore &settings = m_services.settings;

    tmrAuto.start();
    if (m_wake == nullptr) {
        // Made only now: start-up and the login window need none of it.
        m_wake = new platform::WakeSignals(QDBusConnection::systemBus(), true,
                                           platform::WakeSignals::kDefaultNetworkWait, this);
        connect(m_wake, &platform::WakeSignals::woken, this, [this] {
            if (tmrAuto.isActive())
                tickNow();
        });
    }
    m_moveWaits.startOver();
    // This subscriber's marks, kept from his earlier runs; another one's never.
    if (m_services.marks != nullptr)
        m_services.autoIP.replaceWith(m_services.marks->load(user.sUsername));
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

    // Only the subscriber's own saved choice and address: another one's never apply, and a
    // subscriber who logs in after another starts from his own choice, not from the box as the
    // one before him left it.
    const session::OwnSettings saved = session::ReadOwnSettings(settings, user.sUsername);
    {
        const QScopedValueRollback<bool> quiet(m_settingUp, true);
        if (user.sUsername != m_ownUser)
            m_frameVerlundDomain->chkAutoIP->setChecked(saved.autoIP);
        else if (saved.autoIP)
            m_frameVerlundDomain->chkAutoIP->setChecked(true);
    }
    m_ownUser = user.sUsername;
    // The parking address is never the subscriber's own: it is never registered as his.
    const QString &parking = m_services.parkingAddress;
    if (!saved.address.isEmpty())
        txtVerlundIP->setText(saved.address);
    if (txtVerlundIP->text().isEmpty() || txtVerlundIP->text() == parking)
        txtVerlundIP->setText(user.sIPAddress == parking ? QString() : user.sIPAddress);
    const QString address = txtVerlundIP->text();
    user.sIPAddress = address;
    user.sRecordType = kOwnRecordType;
    m_registerAgain = false;

    // The window is on screen, filled, before the requests keep the event loop away.
    m_mainWindow.repaintNow();
    if (!address.isEmpty()) {
        m_client.SendRecordCommand(user.sSubDomain, user.sUsername,
                                   QLatin1String(protocol::kRecordDelete), user.sRecordType,
                                   parking, false, false);
        // Withdrawing the parked record does not make the parking address his.
        user.sIPAddress = address;
        // Until the add is known to have gone through, the refresh registers the host name
        // (unless the service's list shows it registered).
        m_registerAgain =
            !m_client
                 .SendRecordCommand(user.sSubDomain, user.sUsername,
                                    QLatin1String(protocol::kRecordAdd), user.sRecordType, address,
                                    false, isAutoIPTicked())
                 .done();
    }
    // With no address to register (the service named none) the host name stays parked rather
    // than losing its record; the refresh registers the address once it learns one.
    showOwnRecord();
    saveOwnSettings();
}

void OwnAddress::saveOwnSettings() {
    const protocol::clsUser &user = m_services.user;
    if (user.bVerlundOnly && !m_settingUp)
        session::WriteOwnSettings(m_services.settings, user.sUsername, user.sIPAddress,
                                  isAutoIPTicked(), m_services.parkingAddress);
}

void OwnAddress::adoptListedAddress() {
    // Where the service's list of this refresh names the host name at one address, that is
    // where it points, whatever became of answers lost before (an add carried out unanswered,
    // a move refused as "already there").
    const std::optional<QString> &list = m_client.freshRecordList();
    if (!list)
        return;
    protocol::clsUser &user = m_services.user;
    const protocol::DnsRecord own{user.sSubDomain, user.sRecordType, user.sUsername, {}};
    QStringList at;
    for (const protocol::DnsRecord &r : protocol::SplitRecordList(*list))
        if (protocol::SameRecord({r.domain, r.recordType, r.name, {}}, own))
            at.append(protocol::NullTrim(r.address));
    if (at.size() != 1 || !protocol::IsDottedIPv4(at.first()))
        return; // not listed (a service may leave it out), at several, or at no address
    if (at.first() == m_services.parkingAddress) {
        m_registerAgain = true; // still parked: it is registered nowhere of his
        return;
    }
    m_registerAgain = false;
    if (at.first() == user.sIPAddress)
        return;
    user.sIPAddress = at.first();
    saveOwnSettings();
}

void OwnAddress::showOwnRecord() {
    platform::showValue(m_frameVerlundDomain->lblUserName, m_services.user.sUsername);
    platform::showValue(m_frameVerlundDomain->lblDomain, m_services.user.sSubDomain);
}

void OwnAddress::tmrAuto_Timer() {
    const session::WorkGuard::Hold busy(m_services.work);
    const protocol::DnsClient::Automatic byTheRefresh(m_client);
    const auto ended = qScopeGuard([this] { Q_EMIT refreshEnded(); });
    protocol::clsUser &user = m_services.user;
    const bool autoIP = isAutoIPTicked();
    const bool asked = std::exchange(m_checkAsked, false);
    if (user.bVerlundOnly && !autoIP) {
        // Nothing follows the address. Only a set-up whose registration did not go through (its
        // delete took the host name from the parking address) is finished: the service's list
        // is looked at first, then the address set up is registered.
        if (m_registerAgain && !user.sIPAddress.isEmpty() && m_moveWaits.isDue(user.sIPAddress)) {
            m_client.QueryPublicAddress();
            adoptListedAddress();
            if (m_registerAgain)
                registerOwnHostName(user.sIPAddress, false);
        } else if (asked) {
            // The subscriber asked: the address is learnt and shown (ticking the box then
            // takes it), the host name stays where it is.
            if (const QString fetched = m_client.QueryPublicAddress(); !fetched.isEmpty())
                m_mainWindow.setShownAddress(fetched);
        }
        return;
    }
    const QString fetched = m_client.QueryPublicAddress();
    if (fetched.isEmpty())
        return;
    if (user.bVerlundOnly) {
        // The host name follows the address shown since the tick before: a new address is
        // shown first and registered one tick later.
        // With no address shown yet (the login's answer named none) there is nothing to move
        // to; with none registered there is nothing to withdraw.
        adoptListedAddress();
        const QString shown = m_mainWindow.shownAddress();
        if ((shown != user.sIPAddress || m_registerAgain) && !shown.isEmpty() &&
            m_moveWaits.isDue(shown)) {
            if (!user.sIPAddress.isEmpty() && shown != user.sIPAddress)
                m_client.SendRecordCommand(user.sSubDomain, user.sUsername,
                                           QLatin1String(protocol::kRecordDelete), user.sRecordType,
                                           user.sIPAddress, false, autoIP);
            if (registerOwnHostName(shown, autoIP))
                Q_EMIT moved({protocol::HostName(user.sUsername, user.sSubDomain)}, shown);
            m_frameVerlundDomain->txtVerlundIP->setText(fetched);
        }
    } else {
        m_mainWindow.RefreshAutoRecords(fetched);
    }
    m_mainWindow.setShownAddress(fetched);
}

bool OwnAddress::registerOwnHostName(const QString &address, bool autoIP) {
    protocol::clsUser &user = m_services.user;
    const protocol::Outcome outcome =
        m_client
            .SendRecordCommand(user.sSubDomain, user.sUsername, QLatin1String(protocol::kRecordAdd),
                               user.sRecordType, address, false, autoIP)
            .outcome;
    if (outcome == protocol::Outcome::Done) {
        m_moveWaits.succeeded(address);
        m_registerAgain = false;
        saveOwnSettings();
        return true;
    }
    // A refusal waits before the next try; an answer lost is no refusal (the add may have gone
    // through): the next refresh's list tells.
    if (outcome == protocol::Outcome::Refused)
        session::RecordWait(m_services.history,
                            {user.sSubDomain, user.sRecordType, user.sUsername, address},
                            m_moveWaits.refused(address));
    return false;
}

bool OwnAddress::ValidateAlternateIP(const QString &typed) {
    if (protocol::NullTrim(typed).isEmpty()) {
        m_services.boxes.inform(kAddressMissing);
        return false;
    }
    return true;
}

void OwnAddress::cmdVerlundSetIP_Click() {
    setAlternateIP(m_frameVerlundDomain->txtVerlundIP->text());
}

void OwnAddress::setAlternateIP(const QString &typed) {
    if (m_bSetIPBusy)
        return;
    // During another exchange (a tick's): the address typed at the click is registered once
    // it has ended (the tick may write another one into the box meanwhile).
    if (m_services.work.deferWhileHeld("Set Alternate IP", [this, typed] {
            // The frame's own state: the window may have gone to the tray meanwhile.
            if (!m_frameVerlundDomain->isHidden())
                setAlternateIP(typed);
        }))
        return;
    m_bSetIPBusy = true;
    const auto notBusy = qScopeGuard([this] { m_bSetIPBusy = false; });
    const session::WorkGuard::Hold busy(m_services.work);
    if (!ValidateAlternateIP(typed))
        return;
    protocol::clsUser &user = m_services.user;
    // An address set by hand: whatever waited is tried at once on the next ticks.
    m_moveWaits.startOver();
    // Sent as typed, spaces and all.
    if (m_client
            .SendRecordCommand(user.sDomain, user.sUsername, QLatin1String(protocol::kRecordAdd),
                               user.sRecordType, typed, true, isAutoIPTicked())
            .done()) {
        m_registerAgain = false;
        saveOwnSettings();
    }
}

} // namespace pellmarch::address
