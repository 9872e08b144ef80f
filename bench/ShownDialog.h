// The start-up benchmark's yardsticks: a dialog that says when it shows, as the program does
// (PELLMARCH_REPORT_SHOWN), so that time and memory are read at the same moment in each.
#pragma once

#include <QDialog>
#include <QTextStream>

class ShownDialog final : public QDialog {
protected:
    void showEvent(QShowEvent *event) override {
        QDialog::showEvent(event);
        QTextStream(stderr) << "shown dialog" << Qt::endl;
    }
};
