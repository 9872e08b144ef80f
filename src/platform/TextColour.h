#pragma once

class QColor;
class QWidget;

namespace pellmarch::platform {

// Gives a label (or any widget) its designed text colour.
void setTextColour(QWidget *widget, const QColor &colour);

} // namespace pellmarch::platform
