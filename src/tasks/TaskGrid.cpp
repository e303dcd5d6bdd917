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

void TaskListModel::setLines(QList<tasklist::Line> lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

const tasklist::Line* TaskListModel::lineAt(int row) const
{
    return row >= 0 && row < m_lines.size() ? &m_lines.at(row) : nullptr;
}

int TaskListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_lines.size()); }

int TaskListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : tasklist::kColumnCount;
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const
{
    const tasklist::Line* line = lineAt(index.row());
    if (!line)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case tasklist::ColState:
            return line->state;
        case tasklist::ColStart:
            return line->start;
        case tasklist::ColEnd:
            return line->end;
        case tasklist::ColDescription:
            return line->description;
        case tasklist::ColId:
            return line->idText;
        default:
            return {};
        }
    case Qt::BackgroundRole:
        if (const auto bgr = tasklist::cellColourBgr(column))
            return fromBgr(*bgr);
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
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(this, &QTableView::clicked, this, [this](const QModelIndex& index) { emit rowPicked(index.row()); });
    // Moving the highlight with the keyboard picks that row too, so the
    // commands always work on the row the user sees highlighted. A row made
    // current without the highlight (focus arriving, an accessibility tool)
    // is no pick.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_quiet && current.isValid() && selectionModel()->isRowSelected(current.row()))
                    emit rowPicked(current.row());
            });
    formatColumns();
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
    for (int row = 0; row < m_model.rowCount(); ++row) {
        if (m_model.lineAt(row)->id == id) {
            selectionModel()->setCurrentIndex(m_model.index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            break;
        }
    }
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
