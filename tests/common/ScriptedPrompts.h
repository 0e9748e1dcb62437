#pragma once

#include <deque>
#include <functional>
#include <utility>

#include <QAbstractButton>
#include <QDialog>
#include <QString>
#include <QStringList>

#include "common/ui/MessageBoxes.h"

// Answers for the user in widget tests: records every message box, answers
// questions and file choosers from queues, and hands each dialog to a script
// instead of a modal loop. With nothing queued, a question is answered No, a
// file chooser is cancelled and a dialog is rejected.
class ScriptedPrompts : public MessageBoxes {
public:
    struct FileRequest {
        QString title, directory, filter, defaultSuffix;
    };
    // Gets the dialog, set up and shown (not modally); returns the result a
    // modal run would have given, usually after clicking its buttons.
    using DialogScript = std::function<int(QDialog&)>;

    void Stop(QWidget*, const QString& text) override { stops << text; }
    void Information(QWidget*, const QString& text) override { notices << text; }
    bool Question(QWidget*, const QString& text) override
    {
        questions << text;
        return Take(answers, false);
    }
    QString OpenFileName(QWidget*, const QString& title, const QString& directory,
                         const QString& filter, const QString& suffix) override
    {
        fileRequests.push_back({title, directory, filter, suffix});
        return Take(fileNames, QString());
    }
    QString SaveFileName(QWidget* parent, const QString& title, const QString& directory,
                         const QString& filter, const QString& suffix) override
    {
        return OpenFileName(parent, title, directory, filter, suffix);
    }
    int RunDialog(QDialog& dialog) override
    {
        DialogScript script = Take(dialogScripts, DialogScript());
        if (!script) {
            return QDialog::Rejected;
        }
        dialog.show();
        const int result = script(dialog);
        dialog.hide();
        return result;
    }

    QStringList stops;
    QStringList notices;
    QStringList questions;
    std::deque<bool> answers;
    std::deque<QString> fileNames;
    std::deque<FileRequest> fileRequests;
    std::deque<DialogScript> dialogScripts;

private:
    template <class T>
    static T Take(std::deque<T>& queue, T fallback)
    {
        if (queue.empty()) {
            return fallback;
        }
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

// A dialog script that lets fill set the dialog's controls, then clicks "ok".
inline ScriptedPrompts::DialogScript ConfirmDialog(std::function<void(QDialog&)> fill = {})
{
    return [fill](QDialog& dialog) {
        if (fill) {
            fill(dialog);
        }
        dialog.findChild<QAbstractButton*>("ok")->click();
        return dialog.result();
    };
}
