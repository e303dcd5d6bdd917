#pragma once

#include "tasks/TaskListRows.h"
#include "tasks/TaskListText.h"

#include <QAbstractTableModel>
#include <QTableView>

namespace zelkor {

// The task list's cells: the texts of tasklist::cellText, made for the rows
// on screen as they are asked for, with the headers, alignments and
// background colours of the list.
class TaskListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(tasklist::ListRows rows);
    void clear() { setRows({}); }
    // The id of a row's task; nothing for a row without a usable id.
    std::optional<qint64> idAt(int row) const;
    // The row of a task, or -1.
    int rowOf(qint64 id) const { return int(m_rows.indexOf(id)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    tasklist::ListRows m_rows;
};

// The grid `m_taskGrid`: one row per task, newest first, read-only, whole
// rows selected. Reports the row the user picks, or -1 when the user leaves
// none highlighted.
class TaskGrid : public QTableView {
    Q_OBJECT
public:
    explicit TaskGrid(QWidget* parent = nullptr);

    TaskListModel& lines() { return m_model; }
    const TaskListModel& lines() const { return m_model; }

    // Column widths and the hidden id column; the texts come from the model.
    void formatColumns();
    // Fills the list anew; nothing counts as picked meanwhile.
    void setRows(tasklist::ListRows rows);
    // Highlights the row of a task id without reporting it as picked.
    void showSelected(qint64 id);

signals:
    void rowPicked(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    TaskListModel m_model;
    bool m_quiet = false; // set while the program itself moves the highlight
};

} // namespace zelkor
