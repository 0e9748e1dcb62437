#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Everything that waits for the user in a modal loop (message boxes, file
// choosers, the program's own dialogs) goes through this one small interface,
// so that tests can answer instead of running modal loops.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A failure, with the stop (error) icon and an OK button.
    virtual void Stop(QWidget* parent, const QString& text) = 0;
    // A notice, with the information icon.
    virtual void Information(QWidget* parent, const QString& text) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool Question(QWidget* parent, const QString& text) = 0;

    // Asks for an existing file; "" when cancelled. filter is in Qt's form
    // ("송신 파일 (*.ctd)"); defaultSuffix ("ctd", no dot) is added to a typed
    // name that has none.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& directory,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    // Asks for one or more existing files; empty when cancelled. Unless
    // overridden, asks for one file with OpenFileName.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& title,
                                      const QString& directory, const QString& filter);
    // Asks for a file to write, which need not exist; "" when cancelled. Never
    // asks about overwriting: the caller decides that.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& directory,
                                 const QString& filter, const QString& defaultSuffix) = 0;

    // Runs the dialog modally: QDialog::Accepted or QDialog::Rejected.
    virtual int RunDialog(QDialog& dialog) = 0;
};

// The real boxes, titled with the program's name, and the real dialogs.
MessageBoxes& StandardMessageBoxes();
