#include "tasks/TaskGrid.h"

#include "common/DateText.h"

#include <QColor>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>

namespace zelkor {

namespace {
QColor fromBgr(quint32 bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }
} // namespace

void TaskListModel::setRows(tasklist::ListRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

std::optional<qint64> TaskListModel::idAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.id(row) : std::nullopt;
}

int TaskListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int TaskListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : tasklist::kColumnCount;
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= m_rows.size())
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return tasklist::cellText(m_rows.row(row), m_rows.isActive(row), column);
    case Qt::BackgroundRole:
        if (const auto bgr = tasklist::cellColourBgr(column))
            return fromBgr(*bgr);
        return {};
    case Qt::ForegroundRole:
        // The pale cells keep dark text: a dark theme's light text would
        // vanish on them.
        if (tasklist::cellColourBgr(column))
            return QColor(Qt::black);
        return {};
    case Qt::TextAlignmentRole:
        if (tasklist::centredColumn(column))
            return int(Qt::AlignHCenter | Qt::AlignTop);
        return {};
    default:
        return {};
    }
}

QVariant TaskListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return tasklist::headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

TaskGrid::TaskGrid(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("MSFlexGrid1"));
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false); // Tab leaves the list for its commands
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    // Only a row the user highlights is picked, by a click or by moving the
    // highlight with the keys, so the commands always work on the row the user
    // sees highlighted. The focus entering the list makes a row current
    // without highlighting it: that is no pick.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_quiet)
            return;
        const QModelIndexList rows = selectionModel()->selectedRows();
        emit rowPicked(rows.size() == 1 ? rows.first().row() : -1);
    });
    formatColumns();
}

void TaskGrid::setRows(tasklist::ListRows rows)
{
    m_quiet = true;
    m_model.setRows(std::move(rows));
    m_quiet = false;
}

void TaskGrid::formatColumns()
{
    // The designed widths, widened where this desktop's font would cut the
    // start and end times short.
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    const QString widestStart = datetext::general(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
    const QString widestTime = datetext::time(QTime(23, 58, 58));
    for (int column = 0; column < tasklist::kColumnCount; ++column) {
        int width = tasklist::twipsToPixels(tasklist::columnWidthTwips(column));
        setColumnHidden(column, width == 0);
        if (column == 1)
            width = qMax(width, fontMetrics().horizontalAdvance(widestStart) + padding);
        else if (column == 2)
            width = qMax(width, fontMetrics().horizontalAdvance(widestTime) + padding);
        if (width > 0)
            setColumnWidth(column, width);
    }
}

void TaskGrid::showSelected(qint64 id)
{
    m_quiet = true;
    clearSelection();
    selectionModel()->clearCurrentIndex();
    if (const int row = m_model.rowOf(id); row >= 0)
        selectionModel()->setCurrentIndex(m_model.index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_quiet = false;
}

void TaskGrid::mousePressEvent(QMouseEvent* event)
{
    QTableView::mousePressEvent(event);
    if (!indexAt(event->position().toPoint()).isValid()) {
        clearSelection();
        emit rowPicked(-1);
    }
}

} // namespace zelkor
