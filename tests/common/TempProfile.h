#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

// A throw-away user profile for widget tests: owns a temporary folder and
// points XDG_CONFIG_HOME and XDG_DATA_HOME at it, so settings and kept files
// never reach the real home. The folder goes when the object does.
class TempProfile {
public:
    TempProfile()
    {
        if (m_dir.isValid()) {
            const QByteArray path = m_dir.path().toUtf8();
            qputenv("XDG_CONFIG_HOME", path);
            qputenv("XDG_DATA_HOME", path);
        }
    }

    TempProfile(const TempProfile&) = delete;
    TempProfile& operator=(const TempProfile&) = delete;

    bool Ok() const { return m_dir.isValid(); }
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
