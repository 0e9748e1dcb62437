#include "app/ui/CLogPathDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/LogPathChange.h"
#include "common/FilePaths.h"
#include "common/ui/MessageBoxes.h"

// One path: its edit, the channel's path when the dialog opened (the browse
// fallback), and the texts of its file dialog and of its refusal.
struct CLogPathDlg::PathRow {
    QLineEdit* edit = nullptr;
    std::string openingPath;
    QString filter;
    QString title;
    QString refusal;
};

struct CLogPathDlg::Controls {
    PathRow receivedData;
    PathRow event;
};

namespace {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // No button is a default one: Enter must not confirm.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

std::string TrimmedText(const QLineEdit* edit)
{
    return edit->text().trimmed().toStdString();
}

}  // namespace

CLogPathDlg::CLogPathDlg(const std::string& receivedDataPath, const std::string& eventPath,
                         MessageBoxes& boxes, QWidget* parent)
    : EnterIgnoringDialog(parent), m_boxes(boxes), m_controls(new Controls)
{
    setWindowTitle(QStringLiteral("로그파일 경로 설정 "));

    // Widgets are made in visual order, which is also their tab order.
    auto* grid = new QGridLayout;
    const auto addRow = [this, grid](PathRow& row, const QString& label, const char* editName,
                                     const char* browseName, const std::string& path) {
        const int line = grid->rowCount();
        grid->addWidget(new QLabel(label, this), line, 0);
        row.edit = new QLineEdit(QString::fromStdString(path), this);
        row.edit->setObjectName(QString::fromLatin1(editName));
        row.edit->setMinimumWidth(360);
        grid->addWidget(row.edit, line, 1);
        QPushButton* browse = MakeButton(QStringLiteral("..."), browseName, this);
        browse->setFixedWidth(32);
        grid->addWidget(browse, line, 2);
        row.openingPath = path;
        connect(browse, &QPushButton::clicked, this, [this, &row] { Browse(row); });
    };

    PathRow& received = m_controls->receivedData;
    received.filter = QStringLiteral("수신 데이터 로그 파일(*.txt)");
    received.title = QStringLiteral("수신 데이터 로그 파일 설정");
    received.refusal = QStringLiteral("수신 데이터 로그 파일 경로 설정이 잘못되었읍니다");
    addRow(received, QStringLiteral("수신데이터 파일 경로"), "receivedDataPath",
           "browseReceivedData", receivedDataPath);

    PathRow& event = m_controls->event;
    event.filter = QStringLiteral("이벤트 로그 파일(*.txt)");
    event.title = QStringLiteral("이벤트 로그 파일 설정");
    event.refusal = QStringLiteral("이벤트 로그 파일 경로 설정이 잘못되었읍니다");
    addRow(event, QStringLiteral("이벤트 파일 경로"), "eventPath", "browseEvent", eventPath);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* ok = MakeButton(QStringLiteral("설정"), "ok", this);
    QPushButton* cancel = MakeButton(QStringLiteral("취소"), "cancel", this);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &CLogPathDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CLogPathDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

CLogPathDlg::~CLogPathDlg()
{
    delete m_controls;
}

void CLogPathDlg::Browse(PathRow& row)
{
    std::string start = TrimmedText(row.edit);
    if (start.empty() || DirectoryOfPath(start).empty()) {
        start = row.openingPath;
    }
    const QString chosen =
        m_boxes.SaveFileName(this, row.title, QString::fromStdString(DirectoryOfPath(start)),
                             row.filter, QStringLiteral("txt"));
    if (!chosen.isEmpty()) {
        row.edit->setText(chosen);
    }
}

void CLogPathDlg::accept()
{
    // The event path is checked first; the first refusal keeps the dialog
    // open with the text as typed.
    for (PathRow* row : {&m_controls->event, &m_controls->receivedData}) {
        if (!IsAcceptableLogPath(TrimmedText(row->edit))) {
            m_boxes.Stop(this, row->refusal);
            row->edit->setFocus();
            return;
        }
    }
    m_eventPath = TrimmedText(m_controls->event.edit);
    m_receivedDataPath = TrimmedText(m_controls->receivedData.edit);
    EnterIgnoringDialog::accept();
}
