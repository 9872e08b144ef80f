#include "app/StatusIndicator.h"

#include "platform/Widgets.h"

#include <QAccessible>

namespace pellmarch::app {

namespace {
const QColor kConnectedColour(0, 128, 0);
const QColor kDisconnectedColour(192, 0, 0);
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
    m_lastSuccess = QTime::currentTime();
    Q_EMIT changed();
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
