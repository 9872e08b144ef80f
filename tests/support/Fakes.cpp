#include "support/Fakes.h"

#include <QApplication>
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

QTimer *whenModalOpens(std::function<void(QWidget *dialog)> action) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        action(modal);
    });
    poll->start();
    return poll;
}

} // namespace pellmarch::testing
