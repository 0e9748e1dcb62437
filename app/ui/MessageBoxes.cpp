#include "app/ui/MessageBoxes.h"

#include <QMessageBox>

namespace {

const QString kTitle = QStringLiteral("Talvox Analyzer");

class QtMessageBoxes : public MessageBoxes {
public:
    void Stop(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, kTitle, text);
    }

    void Information(QWidget* parent, const QString& text) override
    {
        QMessageBox::information(parent, kTitle, text);
    }

    bool Question(QWidget* parent, const QString& text) override
    {
        return QMessageBox::question(parent, kTitle, text) == QMessageBox::Yes;
    }
};

}  // namespace

MessageBoxes& StandardMessageBoxes()
{
    static QtMessageBoxes boxes;
    return boxes;
}
