#include "rxlog/ui/CellRowsAccessible.h"

#include <algorithm>

#include <QWidget>
#include <QWindow>

#include "rxlog/ui/CellRowsView.h"

namespace {

// One cell of a CellRowsView: its text is read from the view when asked.
// Row -1 is a column caption.
class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CellAccessible(CellRowsView* view, int row, int column)
        : m_view(view), m_row(row), m_column(column)
    {
    }

    bool isValid() const override
    {
        return !m_view.isNull() && m_row < m_view->AccessibleRowCount() &&
               m_column < m_view->AccessibleColumnCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_view.isNull() ? nullptr : m_view->window()->windowHandle();
    }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid()) {
            return {};
        }
        return m_row < 0 ? m_view->AccessibleColumnName(m_column)
                         : m_view->AccessibleText(m_row, m_column);
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QWidget* viewport = m_view->viewport();
        QRect band = m_view->AccessibleRowRect(std::max(0, m_row));
        if (m_row < 0) {
            band.moveBottom(-1);  // the captions stand above the rows
        }
        // Columns share the band evenly: the views draw them on fixed cells,
        // and a reader wants the cell's place, not its exact ink.
        const int columns = m_view->AccessibleColumnCount();
        const int width = band.width() / columns;
        band.setLeft(band.left() + m_column * width);
        band.setWidth(width);
        return QRect(viewport->mapToGlobal(band.topLeft()), band.size());
    }

    QAccessible::Role role() const override
    {
        if (m_row < 0) {
            return QAccessible::ColumnHeader;
        }
        return !m_view.isNull() && m_view->AccessibleColumnCount() > 1 ? QAccessible::Cell
                                                                       : QAccessible::ListItem;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid() || m_row < 0) {
            return state;
        }
        const QRect band = m_view->AccessibleRowRect(m_row);
        if (!m_view->viewport()->rect().intersects(band)) {
            state.invisible = true;
            state.offscreen = true;
        }
        const bool selected = m_view->IsRowSelected(m_row);
        state.selectable = true;
        state.selected = selected;
        state.focusable = true;
        state.focused = selected && m_view->hasFocus();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return isValid() && m_view->IsRowSelected(m_row); }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        auto* table = dynamic_cast<CellRowsAccessible*>(parent());
        QAccessibleInterface* header = table != nullptr ? table->HeaderCell(m_column) : nullptr;
        return header != nullptr ? QList<QAccessibleInterface*>{header}
                                 : QList<QAccessibleInterface*>{};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<CellRowsView> m_view;
    int m_row;
    int m_column;
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    auto* view = qobject_cast<CellRowsView*>(object);
    return view != nullptr ? new CellRowsAccessible(view) : nullptr;
}

// Whether assistive technology listens, as the platform last said: asked at
// every display update, so kept here rather than asked of the platform.
bool g_listening = false;

class ListeningObserver final : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override { g_listening = active; }
};

}  // namespace

void InstallCellRowsAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        static ListeningObserver observer;
        QAccessible::installActivationObserver(&observer);
        g_listening = QAccessible::isActive();
        return true;
    }();
    Q_UNUSED(installed);
}

bool IsAccessibilityListening()
{
    return g_listening;
}

namespace {

AccessibilityTeller g_teller = nullptr;

}  // namespace

void SetAccessibilityTeller(AccessibilityTeller teller)
{
    g_teller = teller;
}

void TellAccessibility(QAccessibleEvent* event)
{
    if (g_teller != nullptr) {
        g_teller(event);
    } else {
        QAccessible::updateAccessibility(event);
    }
}

CellRowsAccessible::CellRowsAccessible(CellRowsView* view)
    : QAccessibleWidget(view,
                        view->AccessibleColumnCount() > 1 ? QAccessible::Table : QAccessible::List)
{
}

CellRowsAccessible::~CellRowsAccessible()
{
    ForgetCells();
}

CellRowsView* CellRowsAccessible::View() const
{
    return static_cast<CellRowsView*>(widget());
}

void* CellRowsAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

int CellRowsAccessible::rowCount() const
{
    return View()->AccessibleRowCount();
}

int CellRowsAccessible::columnCount() const
{
    return View()->AccessibleColumnCount();
}

int CellRowsAccessible::childCount() const
{
    return rowCount() * columnCount();
}

QAccessibleInterface* CellRowsAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    return Cell(index / columns, index % columns);
}

int CellRowsAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (child == nullptr || child->parent() != this) {
        return -1;
    }
    const QAccessibleTableCellInterface* cell =
        const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (cell == nullptr || cell->rowIndex() < 0) {
        return -1;
    }
    return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface* CellRowsAccessible::childAt(int x, int y) const
{
    const CellRowsView* view = View();
    const QPoint at = view->viewport()->mapFromGlobal(QPoint(x, y));
    if (!view->viewport()->rect().contains(at)) {
        return nullptr;
    }
    const int rows = rowCount();
    const int columns = columnCount();
    for (int row = 0; row < rows; ++row) {
        const QRect band = view->AccessibleRowRect(row);
        if (band.top() <= at.y() && at.y() <= band.bottom()) {
            const int column =
                band.width() > 0 ? (at.x() - band.left()) * columns / band.width() : 0;
            return Cell(row, std::clamp(column, 0, columns - 1));
        }
    }
    return nullptr;
}

QAccessibleInterface* CellRowsAccessible::focusChild() const
{
    const int rows = rowCount();
    for (int row = rows - 1; row >= 0; --row) {
        if (View()->IsRowSelected(row)) {
            return Cell(row, 0);
        }
    }
    return nullptr;
}

QAccessibleInterface* CellRowsAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return nullptr;
    }
    return Cell(row, column);
}

QList<int> CellRowsAccessible::selectedRows() const
{
    QList<int> rows;
    const int count = rowCount();
    for (int row = 0; row < count; ++row) {
        if (View()->IsRowSelected(row)) {
            rows.append(row);
        }
    }
    return rows;
}

int CellRowsAccessible::selectedRowCount() const
{
    return static_cast<int>(selectedRows().size());
}

int CellRowsAccessible::selectedCellCount() const
{
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> CellRowsAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    const int columns = columnCount();
    for (const int row : selectedRows()) {
        for (int column = 0; column < columns; ++column) {
            cells.append(Cell(row, column));
        }
    }
    return cells;
}

QString CellRowsAccessible::columnDescription(int column) const
{
    return column >= 0 && column < columnCount() ? View()->AccessibleColumnName(column) : QString();
}

bool CellRowsAccessible::isRowSelected(int row) const
{
    return row >= 0 && row < rowCount() && View()->IsRowSelected(row);
}

bool CellRowsAccessible::selectRow(int row)
{
    return row >= 0 && row < rowCount() && View()->SelectRow(row);
}

void CellRowsAccessible::modelChange(QAccessibleTableModelChangeEvent* event)
{
    // Rows moved under the cells: the next reads make new ones. A cell whose
    // text changed in place stays the same cell.
    if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) {
        ForgetCells();
    }
}

QAccessibleInterface* CellRowsAccessible::HeaderCell(int column) const
{
    if (column < 0 || column >= columnCount() || View()->AccessibleColumnName(column).isEmpty()) {
        return nullptr;
    }
    return Cell(-1, column);
}

QAccessibleInterface* CellRowsAccessible::Cell(int row, int column) const
{
    // Keyed on a fixed stride, not the column count of now: a view whose
    // columns change (a column added or taken away) must not find the cell
    // of another row and column under the same key.
    constexpr int kKeyStride = 64;
    const int key = row < 0 ? -1 - column : row * kKeyStride + column;
    const auto known = m_cells.constFind(key);
    if (known != m_cells.constEnd()) {
        if (QAccessibleInterface* cell = QAccessible::accessibleInterface(known.value())) {
            return cell;
        }
    }
    auto* cell = new CellAccessible(View(), row, column);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

void CellRowsAccessible::ForgetCells()
{
    for (const QAccessible::Id id : std::as_const(m_cells)) {
        QAccessible::deleteAccessibleInterface(id);
    }
    m_cells.clear();
}
