#include "records/RecordTableModel.h"

#include "protocol/AutoIPList.h"

namespace pellmarch::records {

namespace {

const QString kRootCaption = QStringLiteral("Root");

QString cellText(const RecordTableModel::Row &row, int column) {
    if (row.empty)
        return {};
    switch (column) {
    case RecordTableModel::ColDomain:
        return row.record.domain;
    case RecordTableModel::ColRecordType:
        return row.record.recordType;
    case RecordTableModel::ColName:
        return row.record.name == QLatin1String(protocol::kRootName) ? kRootCaption
                                                                     : row.record.name;
    case RecordTableModel::ColServerAddress:
        return row.record.address;
    case RecordTableModel::ColAutoIP:
        return row.autoIP ? QStringLiteral("Yes") : QStringLiteral("No");
    default:
        return {};
    }
}

} // namespace

void RecordTableModel::load(const QString &recordList, const protocol::AutoIPList &autoIP) {
    const QList<protocol::DnsRecord> records = protocol::SplitRecordList(recordList);
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(records.size() + 1);
    // The placeholder row; with no records a second empty row stands beside it.
    m_rows.append(Row{});
    if (records.isEmpty())
        m_rows.append(Row{});
    for (const protocol::DnsRecord &record : records) {
        const bool marked =
            autoIP.isMarked(record.domain, record.recordType, record.name, record.address);
        m_rows.append(Row{record, marked, false});
    }
    endResetModel();
}

int RecordTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size()) - 1;
}

int RecordTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() + 1 >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole: {
        const QString text = cellText(m_rows.at(index.row() + 1), index.column());
        if (role == Qt::ToolTipRole && text.isEmpty())
            return {};
        return text;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (section) {
    case ColDomain:
        return QStringLiteral("Domain");
    case ColRecordType:
        return QStringLiteral("Record Type");
    case ColName:
        return QStringLiteral("Name");
    case ColServerAddress:
        return QStringLiteral("Server Address");
    case ColAutoIP:
        return QStringLiteral("AutoIP Res");
    default:
        return {};
    }
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int RecordTableModel::find(const protocol::DnsRecord &record) const {
    int moved = -1;
    int movedCount = 0;
    for (int position = 0; position < m_rows.size(); ++position) {
        const Row &row = m_rows.at(position);
        if (row.empty)
            continue;
        if (row.record == record)
            return position;
        if (row.record.domain == record.domain && row.record.recordType == record.recordType &&
            row.record.name == record.name) {
            moved = position;
            ++movedCount;
        }
    }
    return movedCount == 1 ? moved : -1;
}

} // namespace pellmarch::records
