// The transmit list's periodic sends on an open pseudo-terminal: what stops
// them, the counts in the row and the event lines they leave.
#include <QComboBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "common/CommandIds.h"
#include "link/ConverterLink.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/common/TempProfile.h"
#include "tests/link/EventWait.h"
#include "tests/link/PtyPair.h"
#include "txlist/EntrySend.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr int kWaitMs = 20000;

ScriptedPrompts::DialogScript ConfirmWithLength(int length)
{
    return ConfirmDialog([length](QDialog& dialog) {
        dialog.findChild<QComboBox*>("length")->setCurrentIndex(length);
    });
}

std::string Confirmation(const TDataEntry& entry)
{
    return BuildFrame(CanFrameBody('W', SentFrameOf(entry)));
}

}  // namespace

class LeftViewPeriodicTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_profile.Ok()); }

    void init()
    {
        QFile::remove(CLeftView::KeptListPath());
        m_pty = std::make_unique<PtyPair>();
        m_link = std::make_unique<CConverterLink>();
        QVERIFY(m_link->Open(m_pty->SlavePath(), 115200));
        m_view = std::make_unique<CLeftView>(*m_link, m_prompts);
        // Two rows: length 8 and length 3.
        m_prompts.dialogScripts = {ConfirmDialog(), ConfirmWithLength(3)};
        m_view->Execute(kCmdAddTransmitData);
        m_view->Execute(kCmdAddTransmitData);
        QCOMPARE(m_view->RowCount(), 2);
    }

    void cleanup()
    {
        m_view.reset();
        m_link.reset();
        m_pty.reset();
    }

    void ModifyUndoLoadAndReopenStopThePeriodicSends()
    {
        PeriodicSender& periodic = m_view->Periodic();
        StartOn(0, 60000);
        StartOn(1, 60000);
        QCOMPARE(periodic.RunningCount(), 2u);

        // Modify stops the entry it changes, and only that one.
        m_prompts.dialogScripts = {ConfirmDialog()};
        m_view->setCurrentItem(m_view->topLevelItem(0));
        m_view->Execute(kCmdModifyTransmitData);
        QVERIFY(!periodic.IsRunning(EntryAt(0)));
        QVERIFY(periodic.IsRunning(EntryAt(1)));
        // So does undoing that modify.
        StartOn(0, 60000);
        m_view->Execute(kCmdUndo);
        QVERIFY(!periodic.IsRunning(EntryAt(0)));
        QVERIFY(periodic.IsRunning(EntryAt(1)));

        // A file load frees every entry: every send stops first.
        QTemporaryDir dir;
        const QString path = dir.filePath("list.ctd");
        QVERIFY(m_view->SaveTransmitFile(path));
        StartOn(0, 60000);
        QVERIFY(m_view->LoadTransmitFile(path));
        QCOMPARE(periodic.RunningCount(), 0u);

        // Reopening the port stops what ran on the earlier opening.
        StartOn(0, 60000);
        StartOn(1, 60000);
        QVERIFY(m_link->Open(m_pty->SlavePath(), 115200));
        QTRY_COMPARE_WITH_TIMEOUT(periodic.RunningCount(), size_t{0}, kWaitMs);
    }

    void ConfirmationsAreCountedInTheRowAndOneLineIsWrittenAtTheStop()
    {
        RecordingSinks sinks;
        StartOn(1, 60000);
        const TDataEntry& entry = *EntryAt(1);
        QVERIFY(m_pty->Send(Confirmation(entry)));
        QTRY_COMPARE_WITH_TIMEOUT(m_view->topLevelItem(1)->text(CLeftView::kCountsColumn),
                                  QStringLiteral("1/1"), kWaitMs);
        QVERIFY(sinks.events.empty());

        m_view->Execute(kCmdPeriodicStop);
        QCOMPARE(sinks.events.size(), size_t{1});
        QCOMPARE(sinks.events[0].text,
                 "[CAN 데이터 주기 송신]       : CAN2.0B  ID:00000000  송신 1번, 송신 응답 1번, "
                 "건너뜀 0번으로 주기 송신을 마쳤읍니다");
        QCOMPARE(m_view->topLevelItem(1)->text(CLeftView::kCountsColumn), QString());

        // A single send still has its confirmation written.
        m_view->Execute(kCmdSendCanData);
        QVERIFY(m_pty->Send(Confirmation(entry)));
        QTRY_COMPARE_WITH_TIMEOUT(sinks.events.size(), size_t{2}, kWaitMs);
        QVERIFY(sinks.events[1].text.rfind("[CAN 데이터 송신 응답]", 0) == 0);
    }

    void SkippedCyclesOfAFullLineShowInTheRow()
    {
        // Nothing reads the far end: once the line is full, cycles are skipped.
        while (SendEntryUnlessBusy(*m_link, *EntryAt(0)) == SendOutcome::kSent) {
        }
        StartOn(0, 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_view->topLevelItem(0)
                                     ->text(CLeftView::kCountsColumn)
                                     .contains(QString::fromUtf8(", 건너뜀 ")),
                                 kWaitMs);
        QVERIFY(m_view->Periodic().IsRunning(EntryAt(0)));
    }

private:
    TDataEntry* EntryAt(int row) { return m_view->Container().At(static_cast<size_t>(row)); }

    void StartOn(int row, int periodMs)
    {
        m_view->setCurrentItem(m_view->topLevelItem(row));
        m_prompts.dialogScripts = {ConfirmDialog([periodMs](QDialog& dialog) {
            dialog.findChild<QSpinBox*>("period")->setValue(periodMs);
        })};
        m_view->Execute(kCmdPeriodicStart);
        QVERIFY(m_view->Periodic().IsRunning(EntryAt(row)));
    }

    TempProfile m_profile;
    ScriptedPrompts m_prompts;
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<CConverterLink> m_link;
    std::unique_ptr<CLeftView> m_view;
};

QTEST_MAIN(LeftViewPeriodicTest)
#include "tst_left_view_periodic.moc"
