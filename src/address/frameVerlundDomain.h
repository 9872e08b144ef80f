#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pellmarch::address {

// The own sub-domain frame: the subscriber's host name, the address to register for it, and
// the choice to keep it at the public address.
class frameVerlundDomain final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHeightTwips = 2055;

    explicit frameVerlundDomain(QWidget *parent = nullptr);

    QLabel *lblUserName = nullptr;
    QLabel *lblDomain = nullptr;
    QLineEdit *txtVerlundIP = nullptr;
    QPushButton *cmdVerlundSetIP = nullptr;
    QCheckBox *chkAutoIP = nullptr;
};

} // namespace pellmarch::address
