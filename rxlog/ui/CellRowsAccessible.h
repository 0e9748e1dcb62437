#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class CellRowsView;

// What assistive technology (a screen reader over AT-SPI, test automation)
// reads of a view that paints its rows itself: a list of items (one column)
// or a table of cells (several columns, with their captions), named with the
// texts the view shows. Texts are asked of the view when read, never built
// ahead; the view tells of its changes at display rate (CellRowsView).
//
// The cells are kept, registered, until the rows move under them (a table
// model change) or the view goes, as assistive technology refers to them by
// their registered ids.
class CellRowsAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit CellRowsAccessible(CellRowsView* view);
    ~CellRowsAccessible() override;

    CellRowsView* View() const;

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // A column's caption cell (row -1); null for a view without captions.
    QAccessibleInterface* HeaderCell(int column) const;

private:
    QAccessibleInterface* Cell(int row, int column) const;
    void ForgetCells();

    // Registered cells by row * columns + column, captions by -1 - column.
    mutable QHash<int, QAccessible::Id> m_cells;
};

// Makes every CellRowsView answer with a CellRowsAccessible; once per process.
void InstallCellRowsAccessible();
// Assistive technology listens (QAccessible::isActive, as last told by the
// platform through QAccessible::setActive).
bool IsAccessibilityListening();
// Where the views' changes go while it listens: QAccessible::updateAccessibility
// unless replaced (tests record them; a null teller restores the default).
using AccessibilityTeller = void (*)(QAccessibleEvent* event);
void SetAccessibilityTeller(AccessibilityTeller teller);
void TellAccessibility(QAccessibleEvent* event);
