#include "protocol/AutoIPList.h"

#include "protocol/AnswerText.h"
#include "protocol/RecordList.h"

namespace pellmarch::protocol {

QString RecordKey(const QString &domain, const QString &recordType, const QString &name,
                  const QString &address) {
    const QLatin1String separator(kFieldSeparator);
    return (NullTrim(domain) + separator + NullTrim(recordType) + separator + NullTrim(name) +
            separator + NullTrim(address) + QLatin1String(kRecordSeparator))
        .toUpper();
}

void AutoIPList::UpdateAutoIPList(const QString &domain, const QString &name,
                                  const QString &command, const QString &recordType,
                                  const QString &address, bool autoResolution) {
    const QString key = RecordKey(domain, recordType, name, address);
    const QString verb = command.toUpper();
    if (verb == QLatin1String(kRecordAdd) && autoResolution) {
        if (m_index.contains(key))
            return;
        m_index.insert(key, m_order.insert(m_order.end(), key));
    } else if (verb == QLatin1String(kRecordDelete)) {
        const auto found = m_index.constFind(key);
        if (found == m_index.cend())
            return;
        m_order.erase(found.value());
        m_index.erase(found);
    } else {
        return;
    }
    if (changed)
        changed();
}

QStringList AutoIPList::keys() const {
    return QStringList(m_order.cbegin(), m_order.cend());
}

void AutoIPList::replaceWith(const QStringList &keys) {
    m_order.clear();
    m_index.clear();
    for (const QString &key : keys)
        if (!m_index.contains(key))
            m_index.insert(key, m_order.insert(m_order.end(), key));
}

QString AutoIPList::sAutoIPRecords() const {
    QString text;
    for (const QString &key : m_order)
        text += key;
    return text;
}

} // namespace pellmarch::protocol
