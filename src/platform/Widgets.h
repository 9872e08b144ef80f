#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

class QFrame;
class QLabel;
class QPixmap;
class QPushButton;
class QWidget;

// Small helpers that every window shares: the designed fonts, colours and names of controls.
namespace pellmarch::platform {

inline constexpr Qt::Alignment kAlignLeft = Qt::AlignLeft | Qt::AlignVCenter;

// Arial (Liberation Sans where Arial is missing) at `pointSize`.
QFont arial(qreal pointSize, bool bold = false, bool underline = false);

// The classic dialog font (MS Sans Serif 8.25 pt, or its nearest stand-in), for controls
// without a designed font of their own.
inline constexpr qreal kDialogFontPoints = 8.25;
QFont dialogFont(qreal pointSize = kDialogFontPoints);

// Every control carries its designed name as object name, and the text a screen reader says.
template <typename W> W *named(W *widget, const char *name, const QString &accessibleName) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// A left-aligned label at its designed spot, said as its caption; a box it names is its buddy.
QLabel *addLabel(QWidget *parent, const char *name, const QString &caption, const QRect &rect,
                 QWidget *buddy = nullptr);

// A button at its designed spot, said as its caption. It is no dialog's default button: Enter
// presses it only when it has the focus, or from a box that PressOnEnter gives it.
QPushButton *addButton(QWidget *parent, const char *name, const QString &caption,
                       const QRect &rect);

// A content frame of the main window: its name, what a screen reader calls it, its designed
// spot, and the white background of the frames.
void placeContentFrame(QFrame *frame, const char *name, const QString &accessibleName,
                       const QRect &rect);

// `wanted` cut down, where it is larger, to what `available` (a screen's available geometry)
// leaves once `frame` (the window's frame, both sides together) is taken off: a window never
// asks for more than the screen it opens on.
QSize fitOnScreen(QSize wanted, const QRect &available, QSize frame);

// A label that shows a value: its text and what a screen reader says are that value.
void showValue(QLabel *label, const QString &value);

// Gives a label (or any widget) its designed text colour.
void setTextColour(QWidget *widget, const QColor &colour);

// Gives a frame a plain background of its own.
void setBackground(QWidget *widget, const QColor &colour);

// The program's logo, decoded once and shared by the window icon, the windows and the tray.
// It is read as the PNG it is: a reader left to find the format would first load every image
// format plugin installed to ask it, which costs start-up time and memory for nothing.
QPixmap logoPixmap();

// Places a label at its designed spot with its designed look; an invalid colour keeps the
// palette's.
template <typename L>
L *styled(L *label, const QRect &rect, const QFont &font, Qt::Alignment alignment,
          const QColor &colour = {}) {
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(alignment);
    if (colour.isValid())
        setTextColour(label, colour);
    return label;
}

} // namespace pellmarch::platform
