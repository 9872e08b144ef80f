#include "platform/TextColour.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace pellmarch::platform {

void setTextColour(QWidget *widget, const QColor &colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace pellmarch::platform
