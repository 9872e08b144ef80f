#pragma once

#include "protocol/ConnectionIndicator.h"

#include <QLabel>

namespace pellmarch::app {

// `lblStatus` beside "Server Status:": "Connected" in green, or "Not Connected with Server" in
// dark red. The service routines tell the two apart by the colour alone.
class StatusIndicator final : public QLabel, public protocol::ConnectionIndicator {
    Q_OBJECT
public:
    explicit StatusIndicator(QWidget *parent = nullptr);

    bool isDisconnected() const override;
    void setConnected() override;
    void setDisconnected() override;

private:
    void showState(const QString &caption, const QColor &colour);
};

} // namespace pellmarch::app
