#pragma once

#include <QString>

namespace pellmarch::protocol {

// The main window's "Server Status:" label as the service routines see it: two states, told
// apart by the label's colour.
class ConnectionIndicator {
public:
    virtual ~ConnectionIndicator() = default;

    virtual bool isDisconnected() const = 0;
    virtual void setConnected() = 0;
    virtual void setDisconnected() = 0;
    // The service has just answered an exchange successfully, whatever the state shown.
    virtual void exchangeSucceeded() = 0;
};

// After a record command or address query: an empty answer means the service is out of reach;
// a successful one brings a disconnected indicator back and is reported as a success; any other
// answer changes nothing.
void UpdateIndicator(ConnectionIndicator &indicator, const QString &answer);

} // namespace pellmarch::protocol
