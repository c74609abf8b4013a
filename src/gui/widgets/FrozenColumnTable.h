#pragma once

#include <QTableWidget>

class QTableView;

// A table whose first column stays in place while the others scroll sideways under it, as the
// row labels of a wide parameter list must. A second view of the same items, showing only the
// first column, lies over the table's own first column and scrolls up and down with it; both
// share the selection. Fill the table, set the first column's width, then call FreezeFirstColumn.
class FrozenColumnTable : public QTableWidget {
    Q_OBJECT
public:
    explicit FrozenColumnTable(QWidget* parent = nullptr);

    // Lays the frozen view over the first column; call once the columns and rows exist.
    void FreezeFirstColumn();
    // The view that shows the first column (nullptr before FreezeFirstColumn).
    QTableView* FrozenView() const { return m_frozen; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Moving to a cell hidden under the frozen column scrolls it out from under it.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    void PlaceFrozenView();

    QTableView* m_frozen = nullptr;
};
