#pragma once

#include <QWidget>

#include "rxlog/ui/CRDataList.h"

class CommandRouter;
class FilterLine;

// The right column of the main window: the received-data list, with its
// display filter line above it.
class CRDView : public QWidget {
    Q_OBJECT

public:
    explicit CRDView(QWidget* parent = nullptr);
    ~CRDView() override;

    CRDataList* List() const { return m_list; }
    FilterLine* Filter() const { return m_filter; }
    void SetCommandRouter(CommandRouter* router);

private:
    FilterLine* m_filter;
    CRDataList* m_list;
};
