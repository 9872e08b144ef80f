#pragma once

#include "platform/MessageBoxes.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/WebRequest.h"
#include "protocol/AutoIPList.h"
#include "protocol/ConnectionIndicator.h"
#include "session/Services.h"
#include "session/WorkGuard.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class QTimer;
class QWidget;

namespace pellmarch::testing {

// Answers fetches from a script, in order, and records every URL asked for. With the script
// used up it answers like an unreachable service.
class FakeWebRequest final : public platform::WebRequest {
public:
    platform::WebAnswer fetch(const QString &url) override;

    void answer(const QString &body) { script.append(platform::WebAnswer{false, body}); }
    void fail() { script.append(platform::WebAnswer{true, {}}); }

    QList<platform::WebAnswer> script;
    QStringList urls;
    // Runs inside fetch, while the request is "on the wire".
    std::function<void()> duringFetch;
};

class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    void inform(const QString &text) override;
    void informSelectable(const QString &text) override {
        selectable.append(text);
        inform(text);
    }
    bool ask(const QString &text) override;
    void dismissOpen(const QString &text) override { dismissed.append(text); }

    QStringList shown;      // every message, in order
    QStringList selectable; // those whose text can be selected and copied
    QStringList dismissed;
    // Runs while a message is "open", as the user reads it.
    std::function<void()> whileShown;
    QStringList asked;
    QList<bool> answers; // answers to ask(), in order; Yes when used up
};

class FakeShell final : public platform::Shell {
public:
    bool openPage(const QString &url) override {
        pages.append(url);
        return opens;
    }
    void endProgram() override { ++endings; }

    QStringList pages;
    bool opens = true; // whether a browser takes the pages
    int endings = 0;
};

class MemorySettingsStore final : public platform::SettingsStore {
public:
    QString read(const QString &section, const QString &key, const QString &fallback) override;
    void write(const QString &section, const QString &key, const QString &value) override;

    QHash<QString, QString> values; // "section/key" -> value
    QStringList writes;             // "section/key=value", in order
};

class FakeIndicator final : public protocol::ConnectionIndicator {
public:
    bool isDisconnected() const override { return disconnected; }
    void setConnected() override { disconnected = false; }
    void setDisconnected() override { disconnected = true; }
    void exchangeSucceeded() override { ++successes; }

    bool disconnected = false;
    int successes = 0;
};

// A complete set of doubles and the Services over them, for building windows in tests.
struct FakeServices {
    FakeWebRequest web;
    FakeMessageBoxes boxes;
    FakeShell shell;
    MemorySettingsStore settings;
    MemorySettingsStore journal;
    protocol::clsUser user;
    protocol::LoginFlags flags;
    protocol::AutoIPList autoIP;
    session::WorkGuard work;
    session::Services services{web,
                               boxes,
                               shell,
                               settings,
                               journal,
                               protocol::Endpoints::allAt(QStringLiteral("dns.example")),
                               user,
                               flags,
                               autoIP,
                               work,
                               QStringLiteral("192.0.2.1"),
                               std::chrono::milliseconds(50)};

    // The same doubles, but with a real web request to the service at `host`.
    session::Services withWeb(platform::WebRequest &realWeb, const QString &host) {
        return {realWeb,
                boxes,
                shell,
                settings,
                journal,
                protocol::Endpoints::allAt(host),
                user,
                flags,
                autoIP,
                work,
                services.parkingAddress,
                services.refreshInterval};
    }
};

// Runs `action` on the next modal dialog that opens, so a test can go through code that calls
// exec(); the action is expected to close it. A dialog still open `deadline` after the action
// fails the test and is closed (rejected), so a dialog that does not close as expected ends the
// test quickly instead of hanging it until CTest's limit.
// The returned poll may be deleted to stop waiting.
QTimer *whenModalOpens(std::function<void(QWidget *dialog)> action,
                       std::chrono::milliseconds deadline = std::chrono::seconds(10));

} // namespace pellmarch::testing
