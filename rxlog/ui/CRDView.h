#pragma once

#include <QWidget>

#include "rxlog/ui/CRDataList.h"

class CommandRouter;

// The right column of the main window: the received-data list covering the
// whole view.
class CRDView : public QWidget {
    Q_OBJECT

public:
    explicit CRDView(QWidget* parent = nullptr);
    ~CRDView() override;

    CRDataList* List() const { return m_list; }
    void SetCommandRouter(CommandRouter* router);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CRDataList* m_list;
};
