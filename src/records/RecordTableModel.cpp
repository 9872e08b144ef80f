#include "records/RecordTableModel.h"

#include "protocol/AutoIPList.h"

#include <algorithm>

namespace pellmarch::records {

namespace {

const QString kRootCaption = QStringLiteral("Root");

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");

// What a cell shows, as a view of the row's own texts (a sort compares these without copies).
QStringView cellView(const RecordTableModel::Row &row, int column) {
    if (row.empty)
        return {};
    switch (column) {
    case RecordTableModel::ColDomain:
        return row.record.domain;
    case RecordTableModel::ColRecordType:
        return row.record.recordType;
    case RecordTableModel::ColName:
        return row.record.name == QLatin1String(protocol::kRootName) ? QStringView(kRootCaption)
                                                                     : QStringView(row.record.name);
    case RecordTableModel::ColServerAddress:
        return row.record.address;
    case RecordTableModel::ColAutoIP:
        return row.autoIP ? kYes : kNo;
    default:
        return {};
    }
}

QString cellText(const RecordTableModel::Row &row, int column) {
    return cellView(row, column).toString();
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Letter case aside; the common case, ASCII, without a table look-up.
char16_t folded(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + (u'a' - u'A')) : u;
    return c.toCaseFolded().unicode();
}

// Orders two cell texts as a reader expects: without regard to letter case, and with each run of
// digits taken as a number, so that "10.0.0.9" comes before "10.0.0.10" and "host2" before
// "host10". Negative, zero or positive.
int naturalCompare(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            qsizetype endA = i;
            while (endA < a.size() && isAsciiDigit(a[endA]))
                ++endA;
            qsizetype endB = j;
            while (endB < b.size() && isAsciiDigit(b[endB]))
                ++endB;
            // Leading zeros say nothing of the value.
            while (i < endA - 1 && a[i] == u'0')
                ++i;
            while (j < endB - 1 && b[j] == u'0')
                ++j;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            for (; i < endA; ++i, ++j)
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            continue;
        }
        const char16_t foldedA = folded(a[i]);
        const char16_t foldedB = folded(b[j]);
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
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
        m_rows.append(Row{record, marked, false, static_cast<int>(m_rows.size()) - 1});
    }
    sortRows();
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
    // A first click on a column sorts it from A to Z, whichever way the column before went.
    if (role == Qt::InitialSortOrderRole)
        return Qt::AscendingOrder;
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

void RecordTableModel::sortRows() {
    if (m_rows.size() < 3)
        return; // at most one record
    const auto records = m_rows.begin() + 1;
    const int column = m_sortColumn;
    if (column < 0) {
        std::sort(records, m_rows.end(),
                  [](const Row &a, const Row &b) { return a.listOrder < b.listOrder; });
        return;
    }
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    // Equal cells stay in the list's order, whichever way: a reload (every refresh) never
    // shuffles them.
    std::sort(records, m_rows.end(), [column, descending](const Row &a, const Row &b) {
        const int c = naturalCompare(cellView(a, column), cellView(b, column));
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return a.listOrder < b.listOrder;
    });
}

void RecordTableModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column >= 0 && column < ColumnCount ? column : -1;
    m_sortOrder = order;
    if (m_rows.size() < 3)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The current row and the choice follow their records: by each record's place in the list,
    // which is unique.
    const QModelIndexList before = persistentIndexList();
    QList<int> listOrders;
    listOrders.reserve(before.size());
    for (const QModelIndex &index : before)
        listOrders.append(index.isValid() ? m_rows.at(index.row() + 1).listOrder : -1);
    sortRows();
    QList<int> positionOfListOrder(m_rows.size(), -1);
    for (int position = 1; position < m_rows.size(); ++position)
        positionOfListOrder[m_rows.at(position).listOrder] = position;
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(listOrders.at(i) < 0 ? QModelIndex()
                                          : indexAt(positionOfListOrder.at(listOrders.at(i)),
                                                    before.at(i).column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int RecordTableModel::find(const protocol::DnsRecord &record) const {
    for (int position = 1; position < m_rows.size(); ++position)
        if (!m_rows.at(position).empty && m_rows.at(position).record == record)
            return position;
    return -1;
}

} // namespace pellmarch::records
