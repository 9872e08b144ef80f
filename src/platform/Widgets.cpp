#include "platform/Widgets.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace pellmarch::platform {

QFont arial(qreal pointSize, bool bold, bool underline) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont dialogFont(qreal pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

void showValue(QLabel *label, const QString &value) {
    label->setText(value);
    label->setAccessibleName(value);
}

void setTextColour(QWidget *widget, const QColor &colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setBackground(QWidget *widget, const QColor &colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

} // namespace pellmarch::platform
