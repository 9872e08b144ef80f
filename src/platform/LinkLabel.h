#pragma once

#include <QLabel>

namespace pellmarch::platform {

// A label that acts as a web link: pointing-hand cursor, and `clicked` on a left click. It takes
// the focus with Tab (after the window's other controls) and opens with Enter or Space, with
// its focus drawn around it, so the link is there for the keyboard too.
class LinkLabel final : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace pellmarch::platform
