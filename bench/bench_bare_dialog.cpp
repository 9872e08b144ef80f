// The yardstick of the start-up benchmark: a bare Qt Widgets dialog with one button, built in the
// same tree with the same compiler and flags. It says when it shows, as the program does.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTextStream>

namespace {

class Dialog final : public QDialog {
protected:
    void showEvent(QShowEvent *event) override {
        QDialog::showEvent(event);
        QTextStream(stderr) << "shown dialog" << Qt::endl;
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Dialog dialog;
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
    return dialog.exec();
}
