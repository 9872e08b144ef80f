#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>

namespace pellmarch::protocol {

inline constexpr char kRecordAdd[] = "RECORDADD";
inline constexpr char kRecordDelete[] = "RECORDDELETE";

// The key of a record in the automatic-resolution list: its four fields, each trimmed of
// spaces, joined by ";;", ended by "~~", in upper case.
QString RecordKey(const QString &domain, const QString &recordType, const QString &name,
                  const QString &address);

// The records that follow the machine's public address. The service keeps no such mark, so the
// program keeps it: for the run here, between runs for each subscriber where the windows keep
// it (told by `changed`); never sent.
//
// Keys match only as whole keys: removing one record's key never leaves a fragment of another
// behind, even when one domain ends with another. Lookup, addition and removal cost the same
// whatever the list's length, since the record table asks about every row of every load.
class AutoIPList {
public:
    // After a successful record command: an add with the mark set lists the record (once); a
    // delete unlists it whatever the mark says; anything else changes nothing.
    void UpdateAutoIPList(const QString &domain, const QString &name, const QString &command,
                          const QString &recordType, const QString &address, bool autoResolution);

    bool contains(const QString &key) const { return m_index.contains(key); }
    bool isMarked(const QString &domain, const QString &recordType, const QString &name,
                  const QString &address) const {
        return contains(RecordKey(domain, recordType, name, address));
    }

    // The list as text: the keys in the order they were added.
    QString sAutoIPRecords() const;
    qsizetype size() const { return m_index.size(); }

    // The keys in the order they were added, and the list made of `keys` anew (a subscriber's
    // marks kept from an earlier run). Replacing tells nothing.
    QStringList keys() const;
    void replaceWith(const QStringList &keys);
    // Called after each change of the list by a record command.
    std::function<void()> changed;

private:
    std::list<QString> m_order;
    QHash<QString, std::list<QString>::iterator> m_index;
};

} // namespace pellmarch::protocol
