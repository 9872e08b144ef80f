#include "platform/LinkLabel.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace pellmarch::platform {

namespace {

// What a screen reader is told of a link label: a link, named by its caption (or the name given
// to it), that it can press.
class LinkAccessible final : public QAccessibleWidget {
public:
    explicit LinkAccessible(LinkLabel *link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        const QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty())
            return static_cast<const LinkLabel *>(widget())->text();
        return text;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override {
        if (action == pressAction())
            Q_EMIT static_cast<LinkLabel *>(widget())->clicked();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *linkAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("pellmarch::platform::LinkLabel"))
        return new LinkAccessible(static_cast<LinkLabel *>(object));
    return nullptr;
}

} // namespace

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
    static const bool installed = [] {
        QAccessible::installFactory(linkAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        event->accept();
        Q_EMIT clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent *event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Around the text only, where the link is.
    QStyleOptionFocusRect option;
    option.initFrom(this);
    const QRect text = fontMetrics().boundingRect(contentsRect(), int(alignment()), this->text());
    option.rect = text.adjusted(-1, 0, 1, 0).intersected(rect());
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace pellmarch::platform
