#include <string>
#include <vector>

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/ScriptedPrompts.h"
#include "app/ui/CLogPathDlg.h"

namespace {

const QString kEventRefused = QStringLiteral("이벤트 로그 파일 경로 설정이 잘못되었읍니다");
const QString kReceivedRefused = QStringLiteral("수신 데이터 로그 파일 경로 설정이 잘못되었읍니다");

QLineEdit* Edit(QDialog& dialog, const char* name)
{
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

void Click(QDialog& dialog, const char* name)
{
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

}  // namespace

class LogPathDlgTest : public QObject {
    Q_OBJECT

private slots:
    void confirmChecksEventPathFirstAndTrims_data();
    void confirmChecksEventPathFirstAndTrims();
    void browsePutsTheChosenFileIntoTheEdit();
    void enterNeitherConfirmsNorClosesAndTabFollowsTheLayout();

private:
    QTemporaryDir m_dir;
};

void LogPathDlgTest::confirmChecksEventPathFirstAndTrims_data()
{
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("stops");
    const QString ok = m_dir.path() + "/r.txt";
    const QString missing = m_dir.path() + "/none/e.txt";
    QTest::newRow("missing event folder") << ok << missing << QStringList{kEventRefused};
    QTest::newRow("both bad, event first") << "" << missing << QStringList{kEventRefused};
    QTest::newRow("blank received") << "   " << ok << QStringList{kReceivedRefused};
    QTest::newRow("folder as file") << m_dir.path() << ok << QStringList{kReceivedRefused};
    QTest::newRow("blanks trimmed") << " " + ok + "\t"
                                    << "  " + ok << QStringList{};
}

void LogPathDlgTest::confirmChecksEventPathFirstAndTrims()
{
    QFETCH(QString, received);
    QFETCH(QString, event);
    QFETCH(QStringList, stops);
    ScriptedPrompts prompts;
    CLogPathDlg dialog("/old/r.txt", "/old/e.txt", prompts);
    dialog.show();
    Edit(dialog, "receivedDataPath")->setText(received);
    Edit(dialog, "eventPath")->setText(event);
    Click(dialog, "ok");
    QCOMPARE(prompts.stops, stops);
    QCOMPARE(dialog.isVisible(), !stops.isEmpty());
    QCOMPARE(Edit(dialog, "eventPath")->text(), event);
    const bool accepted = stops.isEmpty();
    QCOMPARE(QString::fromStdString(dialog.EventPath()), accepted ? event.trimmed() : "");
    QCOMPARE(QString::fromStdString(dialog.ReceivedDataPath()), accepted ? received.trimmed() : "");
}

void LogPathDlgTest::browsePutsTheChosenFileIntoTheEdit()
{
    ScriptedPrompts prompts;
    const std::string opening = m_dir.path().toStdString() + "/e.txt";
    CLogPathDlg dialog("/old/r.txt", opening, prompts);
    QLineEdit* event = Edit(dialog, "eventPath");
    event->setText("/none/x.txt");  // folder missing: starts where the channel's file is
    prompts.fileNames = {m_dir.path() + "/chosen.txt"};
    Click(dialog, "browseEvent");
    QCOMPARE(event->text(), m_dir.path() + "/chosen.txt");
    Click(dialog, "browseReceivedData");  // cancelled
    QCOMPARE(Edit(dialog, "receivedDataPath")->text(), QStringLiteral("/old/r.txt"));
    QCOMPARE(prompts.fileRequests.size(), size_t(2));
    const ScriptedPrompts::FileRequest& first = prompts.fileRequests[0];
    QCOMPARE(
        QStringList({first.title, first.directory, first.filter, first.defaultSuffix}),
        QStringList({"이벤트 로그 파일 설정", m_dir.path(), "이벤트 로그 파일 (*.txt)", "txt"}));
    QCOMPARE(prompts.fileRequests[1].title, QStringLiteral("수신 데이터 로그 파일 설정"));
    QCOMPARE(prompts.fileRequests[1].filter, QStringLiteral("수신 데이터 로그 파일 (*.txt)"));
}

void LogPathDlgTest::enterNeitherConfirmsNorClosesAndTabFollowsTheLayout()
{
    ScriptedPrompts prompts;
    const std::string path = m_dir.path().toStdString() + "/r.txt";
    CLogPathDlg dialog(path, path, prompts);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("로그파일 경로 설정 "));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* received = Edit(dialog, "receivedDataPath");
    received->setFocus();
    QStringList order;
    for (QWidget* w = received; order.size() < 6; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            order << w->objectName();
        }
    }
    QCOMPARE(order, QStringList({"receivedDataPath", "browseReceivedData", "eventPath",
                                 "browseEvent", "ok", "cancel"}));
    for (const char* name : {"receivedDataPath", "ok", "cancel"}) {
        QWidget* target = dialog.findChild<QWidget*>(QString::fromLatin1(name));
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
        QVERIFY(dialog.isVisible());
    }
    QVERIFY(dialog.EventPath().empty() && prompts.stops.isEmpty());
}

QTEST_MAIN(LogPathDlgTest)
#include "tst_LogPathDlg.moc"
