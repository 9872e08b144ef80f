#pragma once

#include "protocol/ConnectionIndicator.h"

#include <QDateTime>
#include <QLabel>

namespace pellmarch::app {

// `lblStatus` beside "Server Status:": "Connected" in green, or "Not Connected with Server" in
// dark red. The service routines tell the two apart by the colour alone. It also keeps the time
// of the last successful exchange, for the tray icon's tooltip.
class StatusIndicator final : public QLabel, public protocol::ConnectionIndicator {
    Q_OBJECT
public:
    explicit StatusIndicator(QWidget *parent = nullptr);

    bool isDisconnected() const override;
    void setConnected() override;
    void setDisconnected() override;
    void exchangeSucceeded() override;

    // When the service last answered an exchange successfully; null before the first.
    QDateTime lastSuccess() const { return m_lastSuccess; }
    // That moment as it reads on `now`'s day: its time of day on the same day, else with its
    // date before it; empty before the first.
    QString lastSuccessText(const QDateTime &now) const;

Q_SIGNALS:
    // The state shown or the time of the last success has changed.
    void changed();

private:
    void showState(const QString &caption, const QColor &colour);

    QDateTime m_lastSuccess;
};

} // namespace pellmarch::app
