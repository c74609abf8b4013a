#include "gui/widgets/FrozenColumnTable.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

FrozenColumnTable::FrozenColumnTable(QWidget* parent) : QTableWidget(parent) {
    // Pixel steps, so the two views never stand half a row apart.
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
}

void FrozenColumnTable::FreezeFirstColumn() {
    if (m_frozen != nullptr || columnCount() == 0)
        return;
    m_frozen = new QTableView(this);
    m_frozen->setModel(model());
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFrameShape(QFrame::NoFrame); // its column lines up with the one it covers
    m_frozen->setEditTriggers(editTriggers());
    m_frozen->setSelectionBehavior(selectionBehavior());
    m_frozen->setSelectionMode(selectionMode());
    m_frozen->setPalette(palette());
    m_frozen->setShowGrid(showGrid());
    m_frozen->setWordWrap(wordWrap());
    m_frozen->setVerticalScrollMode(ScrollPerPixel);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->verticalHeader()->setVisible(verticalHeader()->isVisible());
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setDefaultAlignment(horizontalHeader()->defaultAlignment());
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int c = 1; c < columnCount(); ++c)
        m_frozen->setColumnHidden(c, true);
    m_frozen->setColumnWidth(0, columnWidth(0));
    // Under the frozen view, not over it: the table's own first column is covered.
    viewport()->stackUnder(m_frozen);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section == 0) {
                    m_frozen->setColumnWidth(0, size);
                    PlaceFrozenView();
                }
            });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { m_frozen->setRowHeight(section, size); });
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    PlaceFrozenView();
    m_frozen->show();
}

void FrozenColumnTable::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    PlaceFrozenView();
}

void FrozenColumnTable::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // The first column is always in view; the others must not end up under it.
    if (index.column() > 0)
        QTableWidget::scrollTo(index, hint);
}

void FrozenColumnTable::PlaceFrozenView() {
    if (m_frozen == nullptr)
        return;
    const int left = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    m_frozen->setGeometry(left + frameWidth(), frameWidth(), columnWidth(0),
                          viewport()->height() + horizontalHeader()->height());
}
