// The main window's status bar tells while a receive view holds still.
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "app/ui/StatusBar.h"
#include "link/ConverterLink.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/common/TempProfile.h"

class FollowStatusTest : public QObject {
    Q_OBJECT

private slots:
    void pausedViewShowsInTheIdleMessage()
    {
        TempProfile profile;
        QVERIFY(profile.Ok());
        QTemporaryDir logs;
        CConverterLink link;
        ScriptedPrompts prompts;
        CMainFrame frame(link, logs.path().toStdString(), prompts);
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CRDataList* list = frame.findChild<CRDView*>()->List();
        CEventLogCtrl* log = frame.findChild<CEventLogCtrl*>();
        QStatusBar* bar = frame.statusBar();
        const QString ready = QString::fromUtf8("준비");
        const QString paused = QString::fromUtf8("자동 스크롤 멈춤");
        for (int i = 0; i < 100; ++i) {
            list->AddLine("line " + std::to_string(i));
            log->AddLine("event " + std::to_string(i));
        }
        QCOMPARE(bar->currentMessage(), ready);

        // Either view paused: the idle message says so, until both follow.
        list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(bar->currentMessage(), paused);
        log->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(bar->currentMessage(), paused);
        // A prompt stands over it; withdrawn, the idle message comes back.
        bar->showMessage("tip");
        bar->clearMessage();
        QCOMPARE(bar->currentMessage(), paused);
        QTest::keyClick(log, Qt::Key_End);
        QCOMPARE(bar->currentMessage(), ready);
    }
};

QTEST_MAIN(FollowStatusTest)
#include "tst_follow_status.moc"
