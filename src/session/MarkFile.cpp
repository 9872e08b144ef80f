#include "session/MarkFile.h"

#include "platform/PrivateFile.h"
#include "platform/QtSettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pellmarch::session {

namespace {
// {"pellmarch-marks":1,"subscribers":{"<user name>":["<record key>", ...], ...}}
const QString kFormatKey = QStringLiteral("pellmarch-marks");
const QString kSubscribersKey = QStringLiteral("subscribers");
constexpr int kFormat = 1;
const QString kKeyEnd = QStringLiteral("~~");
} // namespace

MarkFile::MarkFile(QString path, QObject *parent) : QObject(parent), m_path(std::move(path)) {
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, &MarkFile::flush);
}

MarkFile::~MarkFile() {
    flush();
}

QString MarkFile::standardPath() {
    return platform::QtSettingsStore::besideSettings(QStringLiteral("PELLMARCH-marks.json"));
}

std::optional<QHash<QString, QStringList>> MarkFile::readAll() {
    m_unavailable = false;
    if (m_off)
        return std::nullopt;
    const platform::PrivateFileRead read = platform::ReadPrivateFile(m_path, kLargestFile);
    if (read.state == platform::PrivateFileRead::State::Missing)
        return QHash<QString, QStringList>{};
    if (read.state == platform::PrivateFileRead::State::Unavailable) {
        m_unavailable = true; // left as it is, and tried again later
        return std::nullopt;
    }
    if (read.state == platform::PrivateFileRead::State::NotOwn) {
        putAside(read.why);
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(read.content);
    const QJsonObject file = document.object();
    bool ours = document.isObject() && file.value(kFormatKey).toInt() == kFormat &&
                file.value(kSubscribersKey).isObject();
    QHash<QString, QStringList> marks;
    const QJsonObject subscribers = file.value(kSubscribersKey).toObject();
    for (auto it = subscribers.begin(); ours && it != subscribers.end(); ++it) {
        QStringList &keys = marks[it.key()];
        const QJsonArray array = it.value().toArray();
        ours = it.value().isArray();
        for (const QJsonValue &key : array) {
            ours = ours && key.isString() && key.toString().endsWith(kKeyEnd);
            keys.append(key.toString());
        }
    }
    if (!ours) {
        putAside(QStringLiteral("is damaged"));
        return std::nullopt;
    }
    return marks;
}

void MarkFile::putAside(const QString &why) {
    QString message;
    m_off = !platform::SetFileAsideSaying(
        m_path, QStringLiteral("The file of the records marked for automatic IP resolution"), why,
        QStringLiteral("and no record is marked now."),
        QStringLiteral("No marks are kept in this run."), &message);
    Q_EMIT setAside(message);
}

QStringList MarkFile::load(const QString &username) {
    flush();
    const std::optional<QHash<QString, QStringList>> marks = readAll();
    return marks ? marks->value(username) : QStringList();
}

void MarkFile::save(const QString &username, const QStringList &keys) {
    m_waiting.insert(username, keys);
    m_soon.start(0);
}

void MarkFile::flush() {
    m_soon.stop();
    if (m_waiting.isEmpty())
        return;
    std::optional<QHash<QString, QStringList>> marks = readAll();
    if (!marks && m_unavailable) {
        // Written whole over what the file holds: never without having read it.
        m_soon.start(kRetryLater);
        return;
    }
    if (!marks && !m_off)
        marks.emplace(); // set aside: a new file is started
    if (!marks)
        return;
    bool changed = false;
    for (auto it = m_waiting.cbegin(); it != m_waiting.cend(); ++it) {
        if (marks->value(it.key()) == it.value())
            continue;
        changed = true;
        if (it.value().isEmpty())
            marks->remove(it.key());
        else
            marks->insert(it.key(), it.value());
    }
    m_waiting.clear();
    if (!changed)
        return;
    QJsonObject subscribers;
    for (auto it = marks->cbegin(); it != marks->cend(); ++it)
        subscribers.insert(it.key(), QJsonArray::fromStringList(it.value()));
    const QJsonObject file{{kFormatKey, kFormat}, {kSubscribersKey, subscribers}};
    platform::WritePrivateFile(m_path, QJsonDocument(file).toJson(QJsonDocument::Compact));
}

} // namespace pellmarch::session
