#include "platform/EnterKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QVariant>

namespace pellmarch::platform {

namespace {

// The property of a box that names the button Enter presses in it.
constexpr char kEnterPresses[] = "pellmarchEnterPresses";

QAbstractButton *buttonFor(QObject *watched) {
    if (auto *button = qobject_cast<QPushButton *>(watched))
        return button;
    const QVariant given = watched->property(kEnterPresses);
    return given.isValid() ? given.value<QPointer<QAbstractButton>>().data() : nullptr;
}

} // namespace

void EnterKeys::install() {
    static QPointer<EnterKeys> installed;
    if (installed != nullptr || QCoreApplication::instance() == nullptr)
        return;
    installed = new EnterKeys(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(installed);
}

bool EnterKeys::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    QAbstractButton *button = buttonFor(watched);
    if (button == nullptr)
        return false;
    // Taken in any case: passed on, Qt's own handling would press a dialog's default button
    // in place of the one meant, or this one once per repeat of a held key.
    if (!key->isAutoRepeat() && button->isEnabled())
        button->click();
    return true;
}

void PressOnEnter(QWidget *box, QAbstractButton *button) {
    EnterKeys::install();
    box->setProperty(kEnterPresses, QVariant::fromValue(QPointer<QAbstractButton>(button)));
}

} // namespace pellmarch::platform
