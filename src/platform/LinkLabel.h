#pragma once

#include <QLabel>

namespace pellmarch::platform {

// A label that acts as a web link: pointing-hand cursor, and `clicked` on a left click.
class LinkLabel final : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace pellmarch::platform
