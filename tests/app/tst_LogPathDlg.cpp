#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/ScriptedPrompts.h"
#include "app/ui/CLogPathDlg.h"

namespace {

QLineEdit* Edit(QDialog& dialog, const char* name)
{
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

}  // namespace

class LogPathDlgTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void confirmChecksTheEventPathFirstAndTrims()
    {
        const QString ok = m_dir.path() + "/r.txt";
        const QString missing = m_dir.path() + "/none/e.txt";
        const QString eventRefused = "이벤트 로그 파일 경로 설정이 잘못되었읍니다";
        const QString receivedRefused = "수신 데이터 로그 파일 경로 설정이 잘못되었읍니다";
        const QString rows[][3] = {
            {ok, missing, eventRefused},      {"", missing, eventRefused},
            {"  ", ok, receivedRefused},      {m_dir.path(), ok, receivedRefused},
            {" " + ok + "\t", "  " + ok, ""},  // received, event, refusal
        };
        for (const auto& [received, event, refusal] : rows) {
            ScriptedPrompts prompts;
            CLogPathDlg dialog("/old/r.txt", "/old/e.txt", prompts);
            dialog.show();
            Edit(dialog, "receivedDataPath")->setText(received);
            Edit(dialog, "eventPath")->setText(event);
            QTest::keyClick(Edit(dialog, "eventPath"), Qt::Key_Return);  // discarded
            dialog.findChild<QPushButton*>("ok")->click();
            const bool accepted = refusal.isEmpty();
            QCOMPARE(prompts.stops, accepted ? QStringList() : QStringList{refusal});
            QCOMPARE(dialog.isVisible(), !accepted);
            QCOMPARE(Edit(dialog, "eventPath")->text(), event);
            QCOMPARE(QString::fromStdString(dialog.EventPath() + "|" + dialog.ReceivedDataPath()),
                     accepted ? ok + "|" + ok : "|");
        }
    }

    void browsePutsTheChosenFileIntoTheEdit()
    {
        ScriptedPrompts prompts;
        CLogPathDlg dialog("/old/r.txt", m_dir.path().toStdString() + "/e.txt", prompts);
        Edit(dialog, "eventPath")->setText("/none/x.txt");  // starts at the channel's folder
        prompts.fileNames = {m_dir.path() + "/chosen.txt"};
        dialog.findChild<QPushButton*>("browseEvent")->click();
        dialog.findChild<QPushButton*>("browseReceivedData")->click();  // cancelled
        QCOMPARE(Edit(dialog, "eventPath")->text() + Edit(dialog, "receivedDataPath")->text(),
                 m_dir.path() + "/chosen.txt/old/r.txt");
        // Title, start folder, filter and suffix of each file dialog, exactly.
        QStringList requests;
        for (const ScriptedPrompts::FileRequest& r : prompts.fileRequests) {
            requests << QStringList({r.title, r.directory, r.filter, r.defaultSuffix}).join('|');
        }
        QCOMPARE(requests, QStringList({"이벤트 로그 파일 설정|" + m_dir.path() +
                                            "|이벤트 로그 파일(*.txt)|txt",
                                        "수신 데이터 로그 파일 설정||수신 데이터 로그 "
                                        "파일(*.txt)|txt"}));
    }
};

QTEST_MAIN(LogPathDlgTest)
#include "tst_LogPathDlg.moc"
