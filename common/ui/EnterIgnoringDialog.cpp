#include "common/ui/EnterIgnoringDialog.h"

#include <QKeyEvent>

void EnterIgnoringDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
