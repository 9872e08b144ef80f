#include "records/ChangeJournal.h"

#include "platform/SettingsStore.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace pellmarch::records {

namespace {

const QString kSection = QStringLiteral("Journal");
const QString kKey = QStringLiteral("Pending");
constexpr int kLongestWait = 60;

// One change a line; its fields percent-encoded (so no field holds a "," or a line break) and
// separated by ",".
constexpr int kFieldCount = 11;

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString encode(const PendingChange &c) {
    QStringList fields{c.username,    c.old.domain,      c.old.recordType,   c.old.name,
                       c.old.address, flag(c.oldAutoIP), c.fresh.domain,     c.fresh.recordType,
                       c.fresh.name,  c.fresh.address,   flag(c.freshAutoIP)};
    for (QString &field : fields)
        field = QString::fromLatin1(QUrl::toPercentEncoding(field));
    return fields.join(QLatin1Char(','));
}

std::optional<PendingChange> decode(const QString &line) {
    QStringList f = line.split(QLatin1Char(','));
    if (f.size() != kFieldCount)
        return std::nullopt; // not a line this program wrote
    for (QString &field : f)
        field = QUrl::fromPercentEncoding(field.toLatin1());
    return PendingChange{f[0],
                         {f[1], f[2], f[3], f[4]},
                         f[5] == QLatin1String("1"),
                         {f[6], f[7], f[8], f[9]},
                         f[10] == QLatin1String("1")};
}

} // namespace

ChangeJournal::ChangeJournal(platform::SettingsStore &store) : m_store(store) {
    const QString text = m_store.read(kSection, kKey, QString());
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (const std::optional<PendingChange> change = decode(line))
            m_entries.append({m_next++, *change});
}

int ChangeJournal::begin(const PendingChange &change) {
    m_entries.append({m_next, change});
    save();
    return m_next++;
}

void ChangeJournal::crossOut(int entry) {
    const auto removed = m_entries.removeIf([entry](const Stored &s) { return s.number == entry; });
    if (removed > 0)
        save();
}

QList<ChangeJournal::Entry> ChangeJournal::pending(const QString &username) const {
    QList<Entry> entries;
    for (const Stored &s : m_entries)
        if (s.change.username == username)
            entries.append({s.number, s.change});
    return entries;
}

bool ChangeJournal::isDue(int entry) {
    Stored *s = find(entry);
    if (s == nullptr)
        return false;
    if (s->skipped < s->wait) {
        ++s->skipped;
        return false;
    }
    return true;
}

void ChangeJournal::tryFailed(int entry) {
    if (Stored *s = find(entry)) {
        s->wait = s->wait == 0 ? 1 : std::min(2 * s->wait, kLongestWait);
        s->skipped = 0;
    }
}

ChangeJournal::Stored *ChangeJournal::find(int entry) {
    const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                 [entry](const Stored &s) { return s.number == entry; });
    return at == m_entries.end() ? nullptr : &*at;
}

void ChangeJournal::save() {
    QStringList lines;
    lines.reserve(m_entries.size());
    for (const Stored &s : m_entries)
        lines.append(encode(s.change));
    m_store.write(kSection, kKey, lines.join(QLatin1Char('\n')));
}

} // namespace pellmarch::records
