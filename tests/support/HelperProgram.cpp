#include "support/HelperProgram.h"

#include <QCoreApplication>
#include <QDBusMessage>

namespace pellmarch::testing {

namespace {
constexpr int kStartMs = 5000;
constexpr int kFirstLineTries = 50;
constexpr int kFirstLineWaitMs = 100;
} // namespace

HelperProgram::HelperProgram(const QString &program, const QStringList &arguments) {
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(kStartMs))
        return;
    for (int i = 0; i < kFirstLineTries && !m_process.canReadLine(); ++i)
        m_process.waitForReadyRead(kFirstLineWaitMs);
    m_firstLine = QString::fromUtf8(m_process.readLine()).trimmed();
}

HelperProgram::~HelperProgram() {
    m_process.kill();
    m_process.waitForFinished(kStartMs);
}

bool HeardAllFrom(const QDBusConnection &receiver, const QDBusConnection &sender) {
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        sender.baseService(), QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"),
        QStringLiteral("Ping"));
    const bool answered = QDBusConnection(receiver).call(ping, QDBus::BlockWithGui, 5000).type() ==
                          QDBusMessage::ReplyMessage;
    QCoreApplication::processEvents();
    return answered;
}

} // namespace pellmarch::testing
