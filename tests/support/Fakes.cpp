#include "support/Fakes.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace pellmarch::testing {

platform::WebAnswer FakeWebRequest::fetch(const QString &url) {
    urls.append(url);
    if (duringFetch)
        duringFetch();
    if (script.isEmpty())
        return {true, {}};
    return script.takeFirst();
}

void FakeMessageBoxes::inform(const QString &text) {
    shown.append(text);
    if (whileShown)
        whileShown();
}

bool FakeMessageBoxes::ask(const QString &text) {
    asked.append(text);
    return answers.isEmpty() ? true : answers.takeFirst();
}

QString MemorySettingsStore::read(const QString &section, const QString &key,
                                  const QString &fallback) {
    return values.value(section + QLatin1Char('/') + key, fallback);
}

void MemorySettingsStore::write(const QString &section, const QString &key, const QString &value) {
    values.insert(section + QLatin1Char('/') + key, value);
    writes.append(section + QLatin1Char('/') + key + QLatin1Char('=') + value);
}

QTimer *whenModalOpens(std::function<void(QWidget *dialog)> action,
                       std::chrono::milliseconds deadline) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action, deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        action(modal);
        QTimer::singleShot(deadline, [open = QPointer<QWidget>(modal)] {
            if (!open || !open->isVisible())
                return;
            QTest::qFail("the modal window was still open at the deadline", __FILE__, __LINE__);
            if (auto *dialog = qobject_cast<QDialog *>(open.data()))
                dialog->done(QDialog::Rejected);
            else
                open->close();
        });
    });
    poll->start();
    return poll;
}

} // namespace pellmarch::testing
