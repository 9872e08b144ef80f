#include "app/frmHistory.h"

#include "platform/Widgets.h"
#include "session/HistoryFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <array>

namespace pellmarch::app {

namespace {

using protocol::Exchange;

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// Widths of the columns in characters of the window's font; the outcome takes the rest.
constexpr std::array<int, HistoryModel::ColumnCount - 1> kColumnChars{19, 25, 20, 6, 14, 15};
constexpr int kWindowWidthChars = 140;
constexpr int kWindowHeightLines = 30;

QString kindText(const Exchange &exchange) {
    QString text;
    switch (exchange.kind) {
    case Exchange::Kind::Login:
        return QStringLiteral("Login");
    case Exchange::Kind::AddressQuery:
        return QStringLiteral("Address query");
    case Exchange::Kind::Wait:
        return QStringLiteral("Wait");
    case Exchange::Kind::RecordAdd:
        text = QStringLiteral("Record add");
        break;
    case Exchange::Kind::RecordDelete:
        text = QStringLiteral("Record delete");
        break;
    }
    return exchange.automatic ? text + QStringLiteral(" (refresh)") : text;
}

QString outcomeText(const Exchange &exchange) {
    if (exchange.kind == Exchange::Kind::Wait)
        return exchange.waitTicks == 1
                   ? QStringLiteral("Next try after 1 refresh")
                   : QStringLiteral("Next try after %1 refreshes").arg(exchange.waitTicks);
    switch (exchange.result) {
    case Exchange::Result::Success:
        return QStringLiteral("Success");
    case Exchange::Result::Refused:
        return exchange.reason.isEmpty() ? QStringLiteral("Refused")
                                         : QStringLiteral("Error: ") + exchange.reason;
    case Exchange::Result::NoAnswer:
        return QStringLiteral("No answer");
    }
    return {};
}

} // namespace

void HistoryModel::setEntries(QList<Exchange> newestFirst) {
    beginResetModel();
    m_entries = std::move(newestFirst);
    endResetModel();
}

void HistoryModel::prepend(const Exchange &exchange) {
    beginInsertRows({}, 0, 0);
    m_entries.prepend(exchange);
    endInsertRows();
    if (m_entries.size() > session::HistoryFile::kKeptEntries) {
        const int last = int(m_entries.size()) - 1;
        beginRemoveRows({}, last, last);
        m_entries.removeLast();
        endRemoveRows();
    }
}

int HistoryModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Exchange &exchange = m_entries.at(index.row());
    switch (index.column()) {
    case Time:
        return exchange.time.toLocalTime().toString(kTimeFormat);
    case Kind:
        return kindText(exchange);
    case Domain:
        return exchange.domain;
    case Type:
        return exchange.recordType;
    case Name:
        return exchange.name;
    case Address:
        return exchange.address;
    case Outcome:
        return outcomeText(exchange);
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const std::array<QString, ColumnCount> kCaptions{
        QStringLiteral("Time"),   QStringLiteral("Kind"), QStringLiteral("Domain"),
        QStringLiteral("Type"),   QStringLiteral("Name"), QStringLiteral("Address"),
        QStringLiteral("Outcome")};
    return section >= 0 && section < ColumnCount ? QVariant(kCaptions.at(section)) : QVariant();
}

frmHistory::frmHistory(session::HistoryFile &history, QWidget *parent)
    : QDialog(parent), m_history(history) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Pellmarch History"));
    setFont(platform::dialogFont());
    setSizeGripEnabled(true);

    m_model = new HistoryModel(this);
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(-1);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);

    txtSearch = platform::named(new QLineEdit(this), "txtSearch", QStringLiteral("Search:"));
    txtSearch->setClearButtonEnabled(true);
    txtSearch->setPlaceholderText(QStringLiteral("Time, kind, record or outcome"));
    lblSearch = platform::named(new QLabel(QStringLiteral("&Search:"), this), "lblSearch",
                                QStringLiteral("Search:"));
    lblSearch->setBuddy(txtSearch);

    gridHistory = platform::named(new QTableView(this), "gridHistory", QStringLiteral("History"));
    gridHistory->setModel(m_filter);
    gridHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    gridHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridHistory->setAlternatingRowColors(true);
    gridHistory->setWordWrap(false);
    gridHistory->verticalHeader()->hide();
    gridHistory->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    const int character = fontMetrics().averageCharWidth();
    for (int column = 0; column < int(kColumnChars.size()); ++column)
        gridHistory->setColumnWidth(column, kColumnChars.at(column) * character);
    gridHistory->horizontalHeader()->setStretchLastSection(true);

    lblCount = platform::named(new QLabel(this), "lblCount", QString());
    cmdClose = platform::named(new QPushButton(QStringLiteral("Close"), this), "cmdClose",
                               QStringLiteral("Close"));
    cmdClose->setAutoDefault(false);

    auto *search = new QHBoxLayout;
    search->addWidget(lblSearch);
    search->addWidget(txtSearch, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblCount, 1);
    bottom->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(gridHistory, 1);
    layout->addLayout(bottom);
    resize(kWindowWidthChars * character, kWindowHeightLines * (fontMetrics().height() + 6));

    connect(txtSearch, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_filter->setFilterFixedString(text);
        showCount();
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_history, &session::HistoryFile::recorded, this, [this](const Exchange &exchange) {
        if (!isVisible())
            return;
        m_model->prepend(exchange);
        showCount();
    });
}

void frmHistory::showHistory() {
    if (!isVisible()) {
        m_model->setEntries(m_history.entries());
        showCount();
    }
    show();
    raise();
    activateWindow();
    txtSearch->setFocus();
}

void frmHistory::keyPressEvent(QKeyEvent *event) {
    // Escape first empties the search, and only then closes the window.
    if (event->key() == Qt::Key_Escape && !txtSearch->text().isEmpty()) {
        txtSearch->clear();
        return;
    }
    // The chosen entry, as text to paste into a mail or a report.
    if (event->matches(QKeySequence::Copy) && gridHistory->hasFocus()) {
        const QModelIndex current = gridHistory->currentIndex();
        if (current.isValid()) {
            QStringList cells;
            for (int column = 0; column < HistoryModel::ColumnCount; ++column)
                cells.append(m_filter->index(current.row(), column).data().toString());
            QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')));
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmHistory::hideEvent(QHideEvent *event) {
    // Read afresh when opened again; not kept in memory meanwhile.
    m_model->setEntries({});
    QDialog::hideEvent(event);
}

void frmHistory::showCount() {
    if (!m_history.isKept()) {
        platform::showValue(lblCount, QStringLiteral("No history is kept in this run."));
        return;
    }
    const int shown = m_filter->rowCount();
    const int all = m_model->rowCount();
    const QString entries =
        all == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(all);
    platform::showValue(
        lblCount, shown == all ? entries : QStringLiteral("%1 of %2").arg(shown).arg(entries));
}

} // namespace pellmarch::app
