#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace pellmarch::platform {
class LinkLabel;
class MessageBoxes;
class Shell;
} // namespace pellmarch::platform

namespace pellmarch::about {

// The about box: product, version and owner's notice, and a link to the terms of service.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    frmAbout(platform::Shell &shell, platform::MessageBoxes &boxes, QString termsPage,
             QWidget *parent = nullptr);

private:
    void Form_Load();
    void cmdOK_Click();
    void Label1_Click();

    platform::Shell &m_shell;
    platform::MessageBoxes &m_boxes;
    QString m_termsPage;
    QLabel *Image1 = nullptr;
    QLabel *lblTitle = nullptr;
    platform::LinkLabel *Label1 = nullptr;
    QPushButton *cmdOK = nullptr;
};

// "About" of either window's Help menu: shows a freshly loaded about box modally over `parent`
// and returns when it is closed.
void ShowAboutBox(platform::Shell &shell, platform::MessageBoxes &boxes, const QString &termsPage,
                  QWidget *parent);

} // namespace pellmarch::about
