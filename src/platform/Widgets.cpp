#include "platform/Widgets.h"

#include <QFontDatabase>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QPushButton>
#include <QWidget>

namespace pellmarch::platform {

namespace {

const QString kLogoPath = QStringLiteral(":/pellmarch/logo.png");

// The first of `families` that this system has, or all of them when it has none (the toolkit
// then falls back as it does). Looked up once for each list in the families installed: a font
// given several families makes the toolkit ask the font configuration for fallbacks behind the
// first one found, for every size and weight, which costs start-up a millisecond each.
QStringList firstInstalled(const QStringList &families) {
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : families)
        if (installed.contains(family, Qt::CaseInsensitive))
            return {family};
    return families;
}

} // namespace

QFont arial(qreal pointSize, bool bold, bool underline) {
    QFont font;
    static const QStringList families =
        firstInstalled({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont dialogFont(qreal pointSize) {
    QFont font;
    static const QStringList families =
        firstInstalled({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                        QStringLiteral("Liberation Sans")});
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &caption, const QRect &rect,
                 QWidget *buddy) {
    auto *label = named(new QLabel(caption, parent), name, caption);
    label->setGeometry(rect);
    label->setAlignment(kAlignLeft);
    if (buddy != nullptr)
        label->setBuddy(buddy);
    return label;
}

QPushButton *addButton(QWidget *parent, const char *name, const QString &caption,
                       const QRect &rect) {
    auto *button = named(new QPushButton(caption, parent), name, caption);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

void placeContentFrame(QFrame *frame, const char *name, const QString &accessibleName,
                       const QRect &rect) {
    named(frame, name, accessibleName);
    frame->setGeometry(rect);
    setBackground(frame, Qt::white);
}

QSize fitOnScreen(QSize wanted, const QRect &available, QSize frame) {
    const QSize room = (available.size() - frame).expandedTo(QSize(1, 1));
    return wanted.boundedTo(room);
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

QPixmap logoPixmap() {
    QPixmap logo;
    if (QPixmapCache::find(kLogoPath, &logo))
        return logo;
    QImageReader reader(kLogoPath, "png");
    reader.setAutoDetectImageFormat(false);
    logo = QPixmap::fromImage(reader.read());
    QPixmapCache::insert(kLogoPath, logo);
    return logo;
}

} // namespace pellmarch::platform
