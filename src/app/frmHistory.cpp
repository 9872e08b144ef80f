#include "app/frmHistory.h"

#include "platform/Widgets.h"
#include "session/HistoryFile.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace pellmarch::app {

namespace {

using protocol::Exchange;

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// Widths of the columns whose texts cannot be known beforehand, in characters of the window's
// font; the others fit their longest text, and the outcome takes the rest.
constexpr int kDomainChars = 20;
constexpr int kNameChars = 14;
constexpr int kWindowWidthChars = 160;
constexpr int kWindowHeightLines = 30;
// Room kept for the window's frame before the window manager has told its size.
constexpr QSize kFrameAllowance{16, 48};
// The longest texts of the columns that fit them.
const QStringList kLongestTimes{QStringLiteral("0000-00-00 00:00:00")};
const QStringList kLongestKinds{QStringLiteral("Record delete (refresh)"),
                                QStringLiteral("Record add (refresh)"),
                                QStringLiteral("Address query")};
const QStringList kLongestTypes{QStringLiteral("CNAME"), QStringLiteral("AAAA"),
                                QStringLiteral("MX"), QStringLiteral("TXT")};
const QStringList kLongestAddresses{QStringLiteral("000.000.000.000")};

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
    if (exchange.checks > 0)
        return (exchange.checks == 1 ? QStringLiteral("Unchanged: 1 check since %2")
                                     : QStringLiteral("Unchanged: %1 checks since %2"))
            .arg(QString::number(exchange.checks),
                 exchange.since.toLocalTime().toString(kTimeFormat));
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

// The rows the search finds, the routine checks among them only when asked for.
class HistoryFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void showRoutineChecks(bool show) {
        m_showRoutine = show;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
        if (!m_showRoutine &&
            sourceModel()->index(row, 0, parent).data(HistoryModel::kRoutineRole).toBool())
            return false;
        return QSortFilterProxyModel::filterAcceptsRow(row, parent);
    }

private:
    bool m_showRoutine = false;
};

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

void HistoryModel::recount(const Exchange &entry) {
    if (!m_entries.isEmpty() && m_entries.first().checks > 0 &&
        m_entries.first().since == entry.since) {
        m_entries.first() = entry;
        Q_EMIT dataChanged(index(0, 0), index(0, ColumnCount - 1));
        return;
    }
    prepend(entry);
}

int HistoryModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    const Exchange &exchange = m_entries.at(index.row());
    if (role == kRoutineRole)
        return exchange.checks > 0;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
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
    m_filter = new HistoryFilter(this);
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
    // As wide as the style makes a cell of the longest text, and the grid line beside it.
    const auto fit = [this](HistoryModel::Column column, const QStringList &longest) {
        int width = gridHistory->horizontalHeader()->sectionSizeHint(column);
        QStyleOptionViewItem cell;
        cell.initFrom(gridHistory);
        cell.font = gridHistory->font();
        cell.features = QStyleOptionViewItem::HasDisplay;
        for (const QString &text : longest) {
            cell.text = text;
            width = std::max(width, style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell,
                                                              QSize(), gridHistory)
                                            .width() +
                                        1);
        }
        gridHistory->setColumnWidth(column, width);
    };
    fit(HistoryModel::Time, kLongestTimes);
    fit(HistoryModel::Kind, kLongestKinds);
    fit(HistoryModel::Type, kLongestTypes);
    fit(HistoryModel::Address, kLongestAddresses);
    gridHistory->setColumnWidth(HistoryModel::Domain, kDomainChars * character);
    gridHistory->setColumnWidth(HistoryModel::Name, kNameChars * character);
    gridHistory->horizontalHeader()->setStretchLastSection(true);

    chkRoutineChecks = platform::named(new QCheckBox(QStringLiteral("Show &routine checks"), this),
                                       "chkRoutineChecks", QStringLiteral("Show routine checks"));
    chkRoutineChecks->setAccessibleDescription(
        QStringLiteral("Also shows the address queries that brought nothing new, counted"));

    lblCount = platform::named(new QLabel(this), "lblCount", QString());
    cmdClose = platform::named(new QPushButton(QStringLiteral("Close"), this), "cmdClose",
                               QStringLiteral("Close"));
    cmdClose->setAutoDefault(false);

    auto *search = new QHBoxLayout;
    search->addWidget(lblSearch);
    search->addWidget(txtSearch, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(chkRoutineChecks);
    bottom->addWidget(lblCount, 1);
    bottom->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(gridHistory, 1);
    layout->addLayout(bottom);

    connect(txtSearch, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_filter->setFilterFixedString(text);
        showCount();
    });
    connect(chkRoutineChecks, &QCheckBox::toggled, this, [this](bool checked) {
        m_filter->showRoutineChecks(checked);
        showCount();
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_history, &session::HistoryFile::recorded, this, [this](const Exchange &exchange) {
        if (!isVisible())
            return;
        m_model->prepend(exchange);
        showCount();
    });
    connect(&m_history, &session::HistoryFile::recounted, this, [this](const Exchange &entry) {
        if (!isVisible())
            return;
        m_model->recount(entry);
        showCount();
    });
}

void frmHistory::place() {
    if (std::exchange(m_placed, true))
        return;
    const QWidget *over = parentWidget() != nullptr ? parentWidget() : this;
    const QRect available = over->screen()->availableGeometry();
    const int character = fontMetrics().averageCharWidth();
    const QSize wanted(kWindowWidthChars * character,
                       kWindowHeightLines * (fontMetrics().height() + 6));
    resize(platform::fitOnScreen(wanted, available, kFrameAllowance));
}

void frmHistory::keepOnScreen() {
    const QRect available = screen()->availableGeometry();
    if (available.contains(frameGeometry()))
        return;
    const QSize frame = frameGeometry().size() - size();
    resize(platform::fitOnScreen(size(), available, frame));
    const QRect now = frameGeometry();
    // A window that cannot shrink further keeps its top left corner on the screen.
    move(std::max(available.left(), std::min(now.x(), available.right() + 1 - now.width())),
         std::max(available.top(), std::min(now.y(), available.bottom() + 1 - now.height())));
}

void frmHistory::showHistory() {
    if (!isVisible()) {
        m_model->setEntries(m_history.entries());
        showCount();
    }
    const bool first = !m_placed;
    place();
    show();
    if (first)
        keepOnScreen();
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
