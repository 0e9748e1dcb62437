#pragma once

#include <string>

#include "common/ui/EnterIgnoringDialog.h"

class MessageBoxes;

// "로그파일 경로 설정 ": the paths of the received-data log and of the event log,
// typed or chosen with a save-style file dialog. "설정" accepts only paths whose
// folder exists, the event path first; the accepted paths are trimmed of
// blanks. Enter neither confirms nor closes the dialog.
class CLogPathDlg : public EnterIgnoringDialog {
    Q_OBJECT

public:
    CLogPathDlg(const std::string& receivedDataPath, const std::string& eventPath,
                MessageBoxes& boxes, QWidget* parent = nullptr);
    ~CLogPathDlg() override;

    // Empty until "설정" succeeds.
    const std::string& ReceivedDataPath() const { return m_receivedDataPath; }
    const std::string& EventPath() const { return m_eventPath; }

public slots:
    void accept() override;

private:
    struct Controls;
    struct PathRow;

    void Browse(PathRow& row);

    MessageBoxes& m_boxes;
    std::string m_receivedDataPath;
    std::string m_eventPath;
    Controls* m_controls = nullptr;
};
