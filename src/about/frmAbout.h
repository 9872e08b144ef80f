#pragma once

#include "account/Services.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace pellmarch::platform {
class LinkLabel;
}

namespace pellmarch::about {

// The about box: product, version and owner's notice, and a link to the terms of service.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(account::Services &services, QWidget *parent = nullptr);

private:
    void Form_Load();
    void cmdOK_Click();
    void Label1_Click();

    account::Services &m_services;
    QLabel *Image1 = nullptr;
    QLabel *lblTitle = nullptr;
    platform::LinkLabel *Label1 = nullptr;
    QPushButton *cmdOK = nullptr;
};

// "About" of either window's Help menu: shows a freshly loaded about box modally over `parent`
// and returns when it is closed.
void ShowAboutBox(account::Services &services, QWidget *parent);

} // namespace pellmarch::about
