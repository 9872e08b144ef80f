#include "about/frmAbout.h"

#include "about/Product.h"
#include "platform/LinkLabel.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace pellmarch::about {

namespace {

const QColor kTitleColour(0, 0, 128);
const QColor kLinkColour(0, 0, 255);
constexpr int kWidth = 392;
constexpr int kHeight = 196;
constexpr int kMargin = 16;
constexpr int kLogoSize = 64;

void separator(QWidget *parent, int top) {
    auto *line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(kMargin, top, kWidth - 2 * kMargin, 2);
}

} // namespace

frmAbout::frmAbout(platform::Shell &shell, platform::MessageBoxes &boxes, QString termsPage,
                   QWidget *parent)
    : QDialog(parent), m_shell(shell), m_boxes(boxes), m_termsPage(std::move(termsPage)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kWidth, kHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("Verlund logo"));
    Image1->setPixmap(platform::logoPixmap().scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio,
                                                    Qt::SmoothTransformation));
    Image1->setGeometry(kMargin, kMargin, kLogoSize, kLogoSize);

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    platform::setTextColour(lblTitle, kTitleColour);
    lblTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int titleLeft = kMargin + kLogoSize + kMargin;
    lblTitle->setGeometry(titleLeft, kMargin, kWidth - titleLeft - kMargin, kLogoSize);

    separator(this, 96);

    Label1 = new platform::LinkLabel(
        QStringLiteral("Click here to view the Verlund Terms of Service"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(QStringLiteral("Click here to view the Verlund Terms of Service"));
    QFont link = Label1->font();
    link.setUnderline(true);
    link.setItalic(true);
    Label1->setFont(link);
    platform::setTextColour(Label1, kLinkColour);
    Label1->setGeometry(kMargin, 108, kWidth - 2 * kMargin, 22);
    connect(Label1, &platform::LinkLabel::clicked, this, &frmAbout::Label1_Click);

    separator(this, 140);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setAccessibleName(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdOK->setGeometry(kWidth - kMargin - 88, 154, 88, 28);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    // OK first, as the box opens; the link after it.
    setTabOrder(cmdOK, Label1);
    cmdOK->setFocus();

    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About"));
    lblTitle->setText(AboutTitle());
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::Label1_Click() {
    platform::OpenPage(m_shell, m_boxes, m_termsPage);
}

void ShowAboutBox(platform::Shell &shell, platform::MessageBoxes &boxes, const QString &termsPage,
                  QWidget *parent) {
    frmAbout box(shell, boxes, termsPage, parent);
    box.exec();
}

} // namespace pellmarch::about
