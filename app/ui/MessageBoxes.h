#pragma once

#include <QString>

class QWidget;

// The message boxes the user must acknowledge, behind one small interface so
// that tests can record them instead of running modal loops.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A failure, with the stop icon.
    virtual void Stop(QWidget* parent, const QString& text) = 0;
    // A notice, with the information icon.
    virtual void Information(QWidget* parent, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Question(QWidget* parent, const QString& text) = 0;
};

// The real boxes, titled with the program's name.
MessageBoxes& StandardMessageBoxes();
