#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace pellmarch::testing {

// A program a test needs running beside it (a private D-Bus daemon, a virtual X screen), ended
// with the object. What it prints first (the bus's address, the screen's number) is kept.
class HelperProgram {
public:
    HelperProgram(const QString &program, const QStringList &arguments);
    ~HelperProgram();
    HelperProgram(const HelperProgram &) = delete;
    HelperProgram &operator=(const HelperProgram &) = delete;

    // A D-Bus session bus of the test's own.
    static QStringList sessionBus() {
        return {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")};
    }

    // The first line the program printed; empty when it did not start or said nothing in time.
    const QString &firstLine() const { return m_firstLine; }

private:
    QProcess m_process;
    QString m_firstLine;
};

// Whether all that `sender` has sent so far (signals, answers) has reached `receiver` and been
// handed out: true once `sender` has answered a ping that `receiver` sent after it, as the bus
// keeps each connection's order.
bool HeardAllFrom(const QDBusConnection &receiver, const QDBusConnection &sender);

} // namespace pellmarch::testing
