#include "StringGrid.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace Plexa3DApp {

TStringGrid::TStringGrid(int columns, int rows, int fixedColumns, int fixedRows, QWidget* parent)
    : QTableWidget(rows, columns, parent), fixedColumns_(fixedColumns), fixedRows_(fixedRows) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    PrepareCells(0);
    if (rows > fixedRows && columns > fixedColumns) {
        setCurrentCell(fixedRows, fixedColumns);
    }
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (row >= 0 && column >= 0 && !IsFixed(column, row)) {
            emit SelectCell(column, row);
        }
    });
}

void TStringGrid::SetCellHint(int column, int row, const QString& text) {
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setToolTip(text);
    }
}

QString TStringGrid::Cell(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void TStringGrid::SetCell(int column, int row, const QString& text) {
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
    }
}

void TStringGrid::SetRowCount(int rows) {
    const int before = rowCount();
    setRowCount(rows);
    PrepareCells(before);
}

// Every cell holds an item, so that it can be edited in place; the fixed ones are neither
// selectable nor editable and have the header colour.
void TStringGrid::PrepareCells(int fromRow) {
    for (int row = fromRow; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            auto* cell = new QTableWidgetItem();
            if (IsFixed(column, row)) {
                cell->setFlags(Qt::ItemIsEnabled);
                cell->setBackground(palette().color(QPalette::Light));
            }
            setItem(row, column, cell);
        }
    }
}

void TStringGrid::ChooseCell(int column, int row) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() ||
        IsFixed(column, row)) {
        return;
    }
    if (currentRow() == row && currentColumn() == column) {
        emit SelectCell(column, row);
    } else {
        setCurrentCell(row, column);
    }
}

// The keyboard moves the current cell among the cells that are not fixed.
QModelIndex TStringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex target = QTableWidget::moveCursor(action, modifiers);
    if (!target.isValid()) {
        return target;
    }
    const int row = std::max(target.row(), fixedRows_);
    const int column = std::max(target.column(), fixedColumns_);
    if (row >= rowCount() || column >= columnCount()) {
        return currentIndex();
    }
    return model()->index(row, column);
}

// A click selects the cell under the mouse, also when it is the current cell already (after
// the list has grown, the highlighted row need not be the current object's).
void TStringGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && IsFixed(target.column(), target.row())) {
        event->accept(); // fixed cells are not selected
        return;
    }
    const bool again = target.isValid() && target == currentIndex();
    QTableWidget::mousePressEvent(event);
    if (again) {
        ChooseCell(target.column(), target.row());
    }
}

} // namespace Plexa3DApp
