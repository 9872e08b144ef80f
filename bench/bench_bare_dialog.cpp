// The yardstick of the start-up benchmark: a bare Qt Widgets dialog with one button, built in the
// same tree with the same compiler and flags. It says when it shows, as the program does.
#include "ShownDialog.h"

#include <QApplication>
#include <QPushButton>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    ShownDialog dialog;
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
    return dialog.exec();
}
