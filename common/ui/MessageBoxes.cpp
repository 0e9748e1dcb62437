#include "common/ui/MessageBoxes.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString kTitle = QStringLiteral("Talvox Analyzer");

QString ChooseFile(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title,
                   const QString& directory, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(parent, title, directory, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

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

    QString OpenFileName(QWidget* parent, const QString& title, const QString& directory,
                         const QString& filter, const QString& defaultSuffix) override
    {
        return ChooseFile(parent, QFileDialog::AcceptOpen, title, directory, filter, defaultSuffix);
    }

    QString SaveFileName(QWidget* parent, const QString& title, const QString& directory,
                         const QString& filter, const QString& defaultSuffix) override
    {
        return ChooseFile(parent, QFileDialog::AcceptSave, title, directory, filter, defaultSuffix);
    }

    QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& directory,
                              const QString& filter) override
    {
        QFileDialog dialog(parent, title, directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setOption(QFileDialog::ReadOnly, false);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    }

    int RunDialog(QDialog& dialog) override { return dialog.exec(); }
};

}  // namespace

QStringList MessageBoxes::OpenFileNames(QWidget* parent, const QString& title,
                                        const QString& directory, const QString& filter)
{
    const QString path = OpenFileName(parent, title, directory, filter, QString());
    return path.isEmpty() ? QStringList() : QStringList{path};
}

MessageBoxes& StandardMessageBoxes()
{
    static QtMessageBoxes boxes;
    return boxes;
}
