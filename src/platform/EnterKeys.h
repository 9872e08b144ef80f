#pragma once

#include <QObject>

class QAbstractButton;
class QWidget;

namespace pellmarch::platform {

// Enter (the main key and the keypad's) as people expect it in every window of the program: on
// a focused push button it presses that button (Qt presses buttons outside dialogs with Space
// only), and in a box given a button by PressOnEnter it presses that button. Pressing is a
// click, so it meets the same guards as one: a disabled button is not pressed, and a handler
// busy with a request turns it away as it turns a click away. A held key presses once, never
// again with each repeat. Other widgets (the record table, a message box) keep their own Enter.
// One filter watches the whole application's keys.
class EnterKeys final : public QObject {
    Q_OBJECT
public:
    // Installs the filter on the application, once; later calls do nothing.
    static void install();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit EnterKeys(QObject *parent) : QObject(parent) {}
};

// Enter in `box` (a text box, a drop-down list, a check box) presses `button`. Installs the
// filter if it is not yet there.
void PressOnEnter(QWidget *box, QAbstractButton *button);

} // namespace pellmarch::platform
