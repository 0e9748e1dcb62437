// The transmit list against scripted dialogs and message boxes: adding,
// modifying, deleting, the enabling rules, column widths and the ".ctd" file
// commands with their questions and failure messages; and its periodic sends
// on an open pseudo-terminal: what stops them, the counts in the row and the
// event lines they leave.
#include <QComboBox>
#include <QFile>
#include <QSettings>
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
#include "txlist/TransmitFile.h"
#include "txlist/ui/CLeftView.h"

namespace {

const QString kDuplicate = QString::fromUtf8("설정한 CAN 전송 데이터가 이미 등록되었읍니다");
const QString kOpenFailed = QString::fromUtf8("송신 파일을 여는데 실패했읍니다");
const QString kPortFailed = QString::fromUtf8("지정한 시리얼 통신 포트를 여는데 실패했읍니다");
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

QStringList RowTexts(const CLeftView& view, int row)
{
    QStringList texts;
    for (int column = 0; column < CLeftView::kFrameColumnCount; ++column) {
        texts << view.topLevelItem(row)->text(column);
    }
    return texts;
}

QStringList EnabledCommands(const CLeftView& view)
{
    QStringList enabled;
    for (const int id :
         {kCmdOpenTransmitFile, kCmdSaveTransmitFile, kCmdAddTransmitData, kCmdModifyTransmitData,
          kCmdDeleteTransmitData, kCmdDeleteAllTransmitData, kCmdSendCanData}) {
        if (view.IsCommandEnabled(id)) {
            enabled << QString::number(id);
        }
    }
    return enabled;
}

}  // namespace

class LeftViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_profile.Ok()); }

    // Each test starts without a kept list.
    void init() { QFile::remove(CLeftView::KeptListPath()); }

    void cleanup()
    {
        m_view.reset();
        m_link.reset();
        m_pty.reset();
    }

    void AddRefusesDuplicatesModifyKeepsTheRowAndDeleteEmptiesTheList()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        QCOMPARE(EnabledCommands(view), QStringList({"32788", "32778"}));

        prompts.dialogScripts = {ConfirmDialog(), ConfirmDialog(), ConfirmWithLength(3)};
        view.Execute(kCmdAddTransmitData);
        view.Execute(kCmdAddTransmitData);
        QCOMPARE(view.RowCount(), 1);
        QCOMPARE(prompts.notices, QStringList{kDuplicate});
        QCOMPARE(RowTexts(view, 0), QStringList({"CAN2.0B", "Data Frame", "00 00 00 00", "8",
                                                 "00 00 00 00 00 00 00 00"}));

        // Nothing selected yet: modify, delete and send do nothing.
        QCOMPARE(EnabledCommands(view), QStringList({"32788", "32789", "32778", "32781"}));
        view.setCurrentItem(view.topLevelItem(0));
        QCOMPARE(EnabledCommands(view).size(), 7);
        view.Execute(kCmdModifyTransmitData);
        QCOMPARE(RowTexts(view, 0)[3], QStringLiteral("3"));
        QCOMPARE(RowTexts(view, 0)[4], QStringLiteral("00 00 00"));

        // Modifying into a frame equal to another entry is accepted.
        prompts.dialogScripts = {ConfirmDialog(), ConfirmWithLength(8)};
        view.Execute(kCmdAddTransmitData);
        view.setCurrentItem(view.topLevelItem(0));
        view.Execute(kCmdModifyTransmitData);
        QCOMPARE(view.RowCount(), 2);
        QCOMPARE(RowTexts(view, 0), RowTexts(view, 1));

        prompts.dialogScripts = {ConfirmWithLength(0)};
        view.Execute(kCmdModifyTransmitData);
        QCOMPARE(RowTexts(view, 0)[4], QString());

        // Deleting the only row disables what needs a row.
        view.Execute(kCmdDeleteTransmitData);
        view.setCurrentItem(view.topLevelItem(0));
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(view.RowCount(), 0);
        QCOMPARE(view.Container().Count(), 0u);
        QCOMPARE(EnabledCommands(view), QStringList({"32788", "32778"}));
    }

    void SendWithoutAPortSaysSoAndDoubleClickBelowTheRowsDoesNothing()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        view.SetPortOpener([] { return false; });
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        prompts.dialogScripts = {ConfirmDialog()};
        view.Execute(kCmdAddTransmitData);

        const QPoint onRow = view.visualItemRect(view.topLevelItem(0)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, onRow);
        QCOMPARE(prompts.stops, QStringList{kPortFailed});
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, 250));
        QCOMPARE(prompts.stops, QStringList{kPortFailed});
    }

    void ColumnWidthsSurviveARestart()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        {
            CLeftView view(link, prompts);
            QVERIFY(view.columnWidth(4) >= 150);
            QVERIFY(view.columnWidth(1) >= 80);
            view.setColumnWidth(4, 222);
            view.setColumnWidth(0, 61);
        }
        CLeftView view(link, prompts);
        QCOMPARE(view.columnWidth(4), 222);
        QCOMPARE(view.columnWidth(0), 61);
        QVERIFY(view.columnWidth(1) >= 80);
    }

    void FileCommandsAskRefuseAndRememberTheFolder()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        QTemporaryDir dir;
        const QString saved = dir.filePath("list.ctd");

        // An empty list saves as 17 bytes without a question.
        prompts.fileNames = {saved};
        view.Execute(kCmdAddTransmitData);  // cancelled: no dialog script
        QVERIFY(!view.IsCommandEnabled(kCmdSaveTransmitFile));
        QVERIFY(view.SaveTransmitFile(saved));
        QCOMPARE(QFileInfo(saved).size(), 17);

        // Overwriting asks; No leaves the file as it was, without a message.
        prompts.dialogScripts = {ConfirmDialog()};
        view.Execute(kCmdAddTransmitData);
        prompts.answers = {false};
        QVERIFY(!view.SaveTransmitFile(saved));
        QCOMPARE(prompts.questions,
                 QStringList{QString::fromUtf8("%1 파일이 이미 있읍니다\n파일을 덮어 쓰시겠읍니까?")
                                 .arg(saved)});
        QCOMPARE(QFileInfo(saved).size(), 17);
        QVERIFY(prompts.stops.isEmpty());

        // A foreign file is refused after the transport's own report; the
        // list stays and the folder is not remembered.
        const QString foreign = dir.filePath("foreign.ctd");
        QFile file(foreign);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a transmit list at all");
        file.close();
        prompts.fileNames = {foreign};
        view.Execute(kCmdOpenTransmitFile);
        QCOMPARE(prompts.stops.size(), 2);
        QVERIFY(prompts.stops[0].contains(foreign));
        QCOMPARE(prompts.stops[1], kOpenFailed);
        QCOMPARE(view.RowCount(), 1);
        QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
        QVERIFY(!profile.contains("Main Setting/TData File Dir"));

        // The saved (empty) list loads, replaces the rows and its folder is
        // remembered and offered next time.
        prompts.fileNames = {saved, QString()};
        view.Execute(kCmdOpenTransmitFile);
        QCOMPARE(view.RowCount(), 0);
        profile.sync();
        QCOMPARE(profile.value("Main Setting/TData File Dir").toString(), dir.path());
        view.Execute(kCmdOpenTransmitFile);
        QCOMPARE(prompts.fileRequests.back().directory, dir.path());
        QCOMPARE(prompts.fileRequests.back().filter, QString::fromUtf8("송신 파일 (*.ctd)"));
        QCOMPARE(prompts.fileRequests.back().title, QString::fromUtf8("송신 파일 열기"));
    }

    void LoadingAFileShowsItsEntriesInFileOrder()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        prompts.dialogScripts = {ConfirmDialog()};
        view.Execute(kCmdAddTransmitData);

        CTDataObject list;
        for (const TDataEntry& entry : {TDataEntry{nullptr, 1, 1, 1, 2, 0x123, 0x11220000, 0},
                                        TDataEntry{nullptr, 0, 0, 0, 0, 0x1ABCDEF0, 0, 0},
                                        TDataEntry{nullptr, 1, 1, 0, 1, 0x7FF, 0x41000000, 0}}) {
            list.AppendLoaded(std::make_unique<TDataEntry>(entry));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("three.ctd");
        QVERIFY(WriteTransmitFile(path.toStdString(), list).ok());
        QVERIFY(view.LoadTransmitFile(path));

        QCOMPARE(view.RowCount(), 3);
        QCOMPARE(RowTexts(view, 0), QStringList({"CAN2.0A", "Data Frame", "01 23", "2", "11 22"}));
        QCOMPARE(RowTexts(view, 1),
                 QStringList({"CAN2.0B", "Remote Frame", "1A BC DE F0", "0", ""}));
        QCOMPARE(RowTexts(view, 2), QStringList({"CAN2.0A", "Data Frame", "07 FF", "1", "41"}));
        QCOMPARE(view.Container().Count(), 3u);
        for (int row = 0; row < 3; ++row) {
            view.setCurrentItem(view.topLevelItem(row));
            QCOMPARE(view.SelectedEntry(), view.Container().At(static_cast<size_t>(row)));
            QVERIFY(IsSameFrame(*view.SelectedEntry(), *list.At(static_cast<size_t>(row))));
        }
    }

    void PeriodsOfFramesNoLongerListedAreForgottenOnSaveAndDeleteAll()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        prompts.dialogScripts = {ConfirmDialog()};
        view.Execute(kCmdAddTransmitData);
        QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
        const QString listed = "Periodic Transmit/B 00000000 D 8 0000000000000000";
        const QString gone = "Periodic Transmit/A 00000123 D 0 0000000000000000";
        profile.setValue(listed, 40);
        profile.setValue(gone, 50);
        profile.sync();

        QTemporaryDir dir;
        QVERIFY(view.SaveTransmitFile(dir.filePath("a.ctd")));
        profile.sync();
        QVERIFY(profile.contains(listed));
        QVERIFY(!profile.contains(gone));

        view.Execute(kCmdDeleteAllTransmitData);
        profile.sync();
        QVERIFY(!profile.contains(listed));
    }

    void TheListIsKeptAcrossARestartNeverOverTheOpenedFile()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        QTemporaryDir dir;
        const QString opened = dir.filePath("user.ctd");
        QByteArray openedBytes;
        {
            CLeftView view(link, prompts);
            QVERIFY(view.OriginPath().isEmpty());
            prompts.dialogScripts = {ConfirmDialog()};
            view.Execute(kCmdAddTransmitData);
            QVERIFY(view.SaveTransmitFile(opened));
            openedBytes = FileBytes(opened);
            prompts.dialogScripts = {ConfirmWithLength(3), ConfirmWithLength(1)};
            view.Execute(kCmdAddTransmitData);
            view.Execute(kCmdAddTransmitData);
            QCOMPARE(view.OriginPath(), opened);
        }
        QCOMPARE(FileBytes(opened), openedBytes);
        QCOMPARE(FileBytes(CLeftView::KeptListPath()).size(), 17 + 3 * 25);

        CLeftView view(link, prompts);
        QCOMPARE(view.RowCount(), 3);
        QCOMPARE(RowTexts(view, 2)[3], QStringLiteral("1"));
        QCOMPARE(view.OriginPath(), opened);
        QVERIFY(view.headerItem()->toolTip(0).contains(opened));
    }

    void UndoGoesBackThroughEachKindInTurn()
    {
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        QVERIFY(!view.IsCommandEnabled(kCmdUndo));
        QVERIFY(MenuItem(view, "실행 취소") != nullptr);
        QVERIFY(!MenuItem(view, "실행 취소")->isEnabled());
        prompts.dialogScripts = {ConfirmWithLength(1), ConfirmWithLength(2), ConfirmWithLength(3)};
        for (int i = 0; i < 3; ++i) {
            view.Execute(kCmdAddTransmitData);
        }
        QVERIFY(!view.IsCommandEnabled(kCmdUndo));  // adding is not undone
        const QStringList lengths = {"1", "2", "3"};

        view.setCurrentItem(view.topLevelItem(1));
        view.Execute(kCmdDeleteTransmitData);
        QVERIFY(MenuItem(view, "실행 취소")->isEnabled());
        view.setCurrentItem(view.topLevelItem(0));
        prompts.dialogScripts = {ConfirmWithLength(8)};
        view.Execute(kCmdModifyTransmitData);
        view.Execute(kCmdDeleteAllTransmitData);
        QCOMPARE(view.RowCount(), 0);

        const QList<QStringList> expected = {{"8", "3"}, {"1", "3"}, lengths};
        for (const QStringList& shown : expected) {
            view.Execute(kCmdUndo);
            QCOMPARE(Lengths(view), shown);
            // A restart now finds the list as the undo left it.
            const CLeftView restarted(link, prompts);
            QCOMPARE(Lengths(restarted), shown);
        }
        QVERIFY(!view.IsCommandEnabled(kCmdUndo));
        QCOMPARE(view.currentItem(), view.topLevelItem(1));  // the row put back last
    }

    void ACorruptKeptListIsIgnoredWithARedLine()
    {
        QDir().mkpath(QFileInfo(CLeftView::KeptListPath()).absolutePath());
        QFile kept(CLeftView::KeptListPath());
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write(QByteArray("\x2A\x3F\x00\x00garbage", 11));  // the signature, then no name
        kept.close();
        RecordingSinks sinks;
        ScriptedPrompts prompts;
        CConverterLink link;
        CLeftView view(link, prompts);
        QCOMPARE(view.RowCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(sinks.events.size(), size_t{1}, 20000);
        QCOMPARE(sinks.events[0].colour, kColourRed);
        QVERIFY(QString::fromStdString(sinks.events[0].text)
                    .startsWith(QString::fromUtf8("[송신 목록]")));
        QVERIFY(QString::fromStdString(sinks.events[0].text)
                    .endsWith(QString::fromUtf8("보관된 송신 목록을 읽지 못했읍니다")));
        QVERIFY(prompts.stops.isEmpty());
    }

    void ModifyUndoLoadAndReopenStopThePeriodicSends()
    {
        OpenWithTwoRows();
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
        OpenWithTwoRows();
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
        OpenWithTwoRows();
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
    // The list on an open pseudo-terminal, with two rows: length 8 and length 3.
    void OpenWithTwoRows()
    {
        m_pty = std::make_unique<PtyPair>();
        m_link = std::make_unique<CConverterLink>();
        QVERIFY(m_link->Open(m_pty->SlavePath(), 115200));
        m_view = std::make_unique<CLeftView>(*m_link, m_prompts);
        m_prompts.dialogScripts = {ConfirmDialog(), ConfirmWithLength(3)};
        m_view->Execute(kCmdAddTransmitData);
        m_view->Execute(kCmdAddTransmitData);
        QCOMPARE(m_view->RowCount(), 2);
    }

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

    static QByteArray FileBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QStringList Lengths(const CLeftView& view)
    {
        QStringList lengths;
        for (int row = 0; row < view.RowCount(); ++row) {
            lengths << view.topLevelItem(row)->text(3);
        }
        return lengths;
    }

    static QAction* MenuItem(CLeftView& view, const char* text)
    {
        static std::unique_ptr<QMenu> menu;
        menu = view.BuildContextMenu();
        for (QAction* action : menu->actions()) {
            if (action->text() == QString::fromUtf8(text)) {
                return action;
            }
        }
        return nullptr;
    }

    TempProfile m_profile;
    ScriptedPrompts m_prompts;
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<CConverterLink> m_link;
    std::unique_ptr<CLeftView> m_view;
};

QTEST_MAIN(LeftViewTest)
#include "tst_left_view.moc"
