#include "platform/CaretRest.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace pellmarch::platform {

CaretRest::CaretRest(std::chrono::milliseconds rest, QObject *parent) : QObject(parent) {
    m_idle.setSingleShot(true);
    m_idle.setInterval(rest);
    connect(&m_idle, &QTimer::timeout, this, &CaretRest::rest);
    QCoreApplication::instance()->installEventFilter(this);
    m_idle.start();
}

CaretRest::~CaretRest() {
    if (m_resting)
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

bool CaretRest::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
        wake();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretRest::rest() {
    m_flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    m_resting = true;
    // Every text box with the focus stops its blink timer and shows its cursor.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretRest::wake() {
    if (m_resting) {
        m_resting = false;
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
    }
    m_idle.start();
}

} // namespace pellmarch::platform
