#pragma once

#include "protocol/ConnectionIndicator.h"

#include <QLabel>
#include <QTime>

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
    QTime lastSuccess() const { return m_lastSuccess; }

Q_SIGNALS:
    // The state shown or the time of the last success has changed.
    void changed();

private:
    void showState(const QString &caption, const QColor &colour);

    QTime m_lastSuccess;
};

} // namespace pellmarch::app
