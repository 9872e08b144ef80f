#include "app/StatusIndicator.h"

#include "platform/Widgets.h"

#include <QAccessible>

namespace pellmarch::app {

namespace {
const QColor kConnectedColour(0, 128, 0);
const QColor kDisconnectedColour(192, 0, 0);
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
// Read alike whatever the language of the desktop: year, month, day.
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
} // namespace

StatusIndicator::StatusIndicator(QWidget *parent) : QLabel(parent) {
    setObjectName(QStringLiteral("lblStatus"));
    setConnected();
}

bool StatusIndicator::isDisconnected() const {
    return palette().color(QPalette::WindowText) == kDisconnectedColour;
}

void StatusIndicator::setConnected() {
    showState(QStringLiteral("Connected"), kConnectedColour);
}

void StatusIndicator::setDisconnected() {
    showState(QStringLiteral("Not Connected with Server"), kDisconnectedColour);
}

void StatusIndicator::exchangeSucceeded() {
    m_lastSuccess = QDateTime::currentDateTime();
    Q_EMIT changed();
}

QString StatusIndicator::lastSuccessText(const QDateTime &now) const {
    if (!m_lastSuccess.isValid())
        return {};
    return m_lastSuccess.toString(m_lastSuccess.date() == now.date() ? kTimeFormat
                                                                     : kDateTimeFormat);
}

void StatusIndicator::showState(const QString &caption, const QColor &colour) {
    if (text() == caption)
        return;
    platform::showValue(this, caption);
    platform::setTextColour(this, colour);
    // Announced to a screen reader: the state changes while the focus is elsewhere.
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    Q_EMIT changed();
}

} // namespace pellmarch::app
