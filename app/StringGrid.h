// A grid of text cells addressed as (column, row), both from 0, with fixed (header) rows and
// columns at the top and left that cannot be selected or edited. Selecting a cell, by mouse or
// by keyboard, emits SelectCell with its column and row.
#pragma once

#include <QTableWidget>

namespace Plexa3DApp {

class TStringGrid : public QTableWidget {
    Q_OBJECT

public:
    TStringGrid(int columns, int rows, int fixedColumns, int fixedRows, QWidget* parent = nullptr);

    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);
    // The text shown when the pointer rests on the cell; empty for none.
    void SetCellHint(int column, int row, const QString& text);
    int RowCount() const { return rowCount(); }
    void SetRowCount(int rows);
    bool IsFixed(int column, int row) const { return column < fixedColumns_ || row < fixedRows_; }
    // Makes the cell current and emits SelectCell, also when it was current already.
    void ChooseCell(int column, int row);

signals:
    void SelectCell(int column, int row);

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void PrepareCells(int fromRow);

    int fixedColumns_;
    int fixedRows_;
};

} // namespace Plexa3DApp
