#pragma once

#include "tasks/TaskListText.h"

#include <QAbstractTableModel>
#include <QTableView>

namespace zelkor {

// The task list's cells: the lines computed by tasklist::buildLines, with the
// headers, alignments and background colours of the list.
class TaskListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setLines(QList<tasklist::Line> lines);
    void clear() { setLines({}); }
    const tasklist::Line* lineAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<tasklist::Line> m_lines;
};

// The grid `m_taskGrid`: one row per task, newest first, read-only, whole
// rows selected. Reports the row the user picks, or -1 for a click beside
// every row.
class TaskGrid : public QTableView {
    Q_OBJECT
public:
    explicit TaskGrid(QWidget* parent = nullptr);

    TaskListModel& lines() { return m_model; }
    const TaskListModel& lines() const { return m_model; }

    // Column widths and the hidden id column; the texts come from the model.
    void formatColumns();
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
