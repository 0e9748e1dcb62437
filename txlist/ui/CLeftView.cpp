#include "txlist/ui/CLeftView.h"

#include <algorithm>
#include <array>

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QStyledItemDelegate>

#include "canconfig/MainSetting.h"
#include "common/CommandIds.h"
#include "common/FilePaths.h"
#include "common/TextFormat.h"
#include "common/ui/CommandMenu.h"
#include "common/ui/MessageBoxes.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"
#include "txlist/EntrySend.h"
#include "txlist/TransmitFile.h"
#include "txlist/TransmitRow.h"
#include "txlist/ui/CPeriodDlg.h"
#include "txlist/ui/CTDataDlg.h"

namespace {

constexpr int kEntryRole = Qt::UserRole;

constexpr char kListSection[] = "LeftList";
constexpr char kFileDirValue[] = "TData File Dir";
constexpr char kFileFilter[] = "송신 파일 (*.ctd)";
constexpr char kFileSuffix[] = "ctd";
constexpr char kOpenTitle[] = "송신 파일 열기";
constexpr char kSaveTitle[] = "송신 파일 저장";
constexpr char kOpenFailed[] = "송신 파일을 여는데 실패했읍니다";
constexpr char kSaveFailed[] = "송신 파일을 저장하는데 실패했읍니다";
constexpr char kOverwriteQuestion[] = "%1 파일이 이미 있읍니다\n파일을 덮어 쓰시겠읍니까?";
constexpr char kDuplicate[] = "설정한 CAN 전송 데이터가 이미 등록되었읍니다";
constexpr char kPortOpenFailure[] = "지정한 시리얼 통신 포트를 여는데 실패했읍니다";
constexpr char kOriginValue[] = "Kept List Origin";
constexpr char kKeptListFile[] = "talvox-analyzer/transmit-list.ctd";
constexpr char kKeptListCaption[] = "[송신 목록]";
constexpr char kKeptListUnreadable[] = " - 보관된 송신 목록을 읽지 못했읍니다";
constexpr char kKeptListUnwritten[] = " - 송신 목록을 보관하지 못했읍니다";
constexpr char kOriginTip[] = "송신 파일: %1";
constexpr char kNoOriginTip[] = "송신 파일에서 읽거나 저장한 적이 없는 목록입니다";

constexpr std::array<const char*, CLeftView::kColumnCount> kHeaders = {
    "프로토콜", "프레임", "송신 ID", "데이터 길이", "송신 데이터", "주기", "송신/응답"};

constexpr std::array<CommandMenuItem, 12> kTDataMenu{{
    {kCmdOpenTransmitFile, "송신 파일 열기"},
    {kCmdSaveTransmitFile, "송신 파일 저장"},
    {0, nullptr},
    {kCmdAddTransmitData, "송신 데이터 추가"},
    {kCmdModifyTransmitData, "송신 데이터 수정"},
    {kCmdDeleteTransmitData, "송신 데이터 삭제"},
    {kCmdDeleteAllTransmitData, "송신 데이터 전체 삭제"},
    {kCmdUndo, "실행 취소"},
    {0, nullptr},
    {kCmdSendCanData, "CAN 데이터 송신 하기"},
    {kCmdPeriodicStart, "CAN 데이터 주기 송신 시작"},
    {kCmdPeriodicStop, "CAN 데이터 주기 송신 중지"},
}};

// The widest text each column shows, so that a first start in a font wider
// than the one the default widths were made for cuts no text.
constexpr std::array<const char*, CLeftView::kColumnCount> kWidestTexts = {
    "CAN2.0B",
    "Remote Frame",
    "00 00 00 00",
    "데이터 길이",
    "00 00 00 00 00 00 00 00",
    "60000 ms",
    "000000/000000, 건너뜀 000"};

QString ColumnWidthValue(int column)
{
    return QStringLiteral("%1/LeftCol %2").arg(QLatin1String(kListSection)).arg(column);
}

QString OriginKey()
{
    return QStringLiteral("%1/%2").arg(QLatin1String(kListSection), QLatin1String(kOriginValue));
}

bool IsSameFile(const QString& a, const QString& b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

QString FileDirKey()
{
    return QStringLiteral("%1/%2").arg(QLatin1String(kMainSettingSection),
                                       QLatin1String(kFileDirValue));
}

// Thin grid lines between cells, as a report list shows them.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

}  // namespace

CLeftView::CLeftView(CConverterLink& link, MessageBoxes& boxes, QWidget* parent)
    : QTreeWidget(parent),
      m_link(link),
      m_boxes(boxes),
      m_container(std::make_unique<CTDataObject>()),
      m_periodic([this] { return m_link.IsOpen() && m_link.Port().Session() == m_periodicSession; },
                 [this](const TDataEntry& entry) { return SendEntryUnlessBusy(m_link, entry); })
{
    m_link.SetTransmitObserver(
        [this](const CanFrame& frame, int) { return m_periodic.ClaimConfirmation(frame); });
    m_countsTimer.setInterval(kCountsRefreshMs);
    connect(&m_countsTimer, &QTimer::timeout, this, &CLeftView::ShowCounts);
    setObjectName(QStringLiteral("TransmitList"));
    setColumnCount(kColumnCount);
    QStringList headers;
    for (const char* header : kHeaders) {
        headers << QString::fromUtf8(header);
    }
    setHeaderLabels(headers);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setIconSize(QSize(20, 20));
    const auto profile = OpenUserProfile();
    for (int column = 0; column < kColumnCount; ++column) {
        bool ok = false;
        const int width = profile->value(ColumnWidthValue(column)).toInt(&ok);
        setColumnWidth(column, ok && width > 0 ? width : DefaultColumnWidth(column));
    }
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setItemDelegate(new GridDelegate(this));

    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::CommandStatesChanged);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Send(EntryOfRow(item)); });
    connect(this, &CLeftView::EntryWithdrawn, &m_periodic, &PeriodicSender::Stop);
    connect(&m_periodic, &PeriodicSender::RunningChanged, this, &CLeftView::ShowPeriods);
    connect(&m_periodic, &PeriodicSender::Stopped, this, &CLeftView::ReportStop);
    RestoreKeptList();
}

CLeftView::~CLeftView()
{
    m_link.SetTransmitObserver({});
    // The stop lines are written while the entries still exist; the rows and
    // the window around the view are not told, as they may be half gone.
    disconnect(&m_periodic, &PeriodicSender::RunningChanged, nullptr, nullptr);
    m_periodic.StopAll();
    const auto profile = OpenUserProfile();
    for (int column = 0; column < kColumnCount; ++column) {
        profile->setValue(ColumnWidthValue(column), columnWidth(column));
    }
}

int CLeftView::DefaultColumnWidth(int column) const
{
    const int margins = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 12;
    const int icon = column == 0 ? iconSize().width() + 6 : 0;
    const int needed =
        fontMetrics().horizontalAdvance(QString::fromUtf8(kWidestTexts[column])) + icon + margins;
    return std::max(kDefaultColumnWidths[column], needed);
}

void CLeftView::SetPortOpener(std::function<bool()> ensurePortOpen)
{
    m_ensurePortOpen = std::move(ensurePortOpen);
}

bool CLeftView::HandlesCommand(int commandId)
{
    switch (commandId) {
    case kCmdSendCanData:
    case kCmdAddTransmitData:
    case kCmdModifyTransmitData:
    case kCmdDeleteTransmitData:
    case kCmdDeleteAllTransmitData:
    case kCmdOpenTransmitFile:
    case kCmdSaveTransmitFile:
    case kCmdPeriodicStart:
    case kCmdPeriodicStop:
    case kCmdUndo:
        return true;
    default:
        return false;
    }
}

bool CLeftView::IsCommandEnabled(int commandId) const
{
    switch (commandId) {
    case kCmdSaveTransmitFile:
    case kCmdDeleteAllTransmitData:
        return RowCount() > 0;
    case kCmdModifyTransmitData:
    case kCmdDeleteTransmitData:
    case kCmdSendCanData:
        return SelectedEntry() != nullptr;
    case kCmdPeriodicStart: {
        const TDataEntry* selected = SelectedEntry();
        return selected != nullptr && !m_periodic.IsRunning(selected);
    }
    case kCmdPeriodicStop:
        return m_periodic.IsRunning(SelectedEntry());
    case kCmdUndo:
        return m_undo.CanUndo();
    default:
        return HandlesCommand(commandId);
    }
}

void CLeftView::Execute(int commandId)
{
    switch (commandId) {
    case kCmdSendCanData:
        Send(SelectedEntry());
        break;
    case kCmdAddTransmitData:
        Add();
        break;
    case kCmdModifyTransmitData:
        Modify();
        break;
    case kCmdDeleteTransmitData:
        Delete();
        break;
    case kCmdDeleteAllTransmitData:
        DeleteAll();
        break;
    case kCmdOpenTransmitFile:
        OpenOrSaveFile(false);
        break;
    case kCmdSaveTransmitFile:
        OpenOrSaveFile(true);
        break;
    case kCmdPeriodicStart:
        StartPeriodic();
        break;
    case kCmdPeriodicStop:
        m_periodic.Stop(SelectedEntry());
        break;
    case kCmdUndo:
        Undo();
        break;
    default:
        break;
    }
}

TDataEntry* CLeftView::EntryOfRow(const QTreeWidgetItem* item) const
{
    return item != nullptr ? static_cast<TDataEntry*>(item->data(0, kEntryRole).value<void*>())
                           : nullptr;
}

TDataEntry* CLeftView::SelectedEntry() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : EntryOfRow(selected.constFirst());
}

void CLeftView::FormatRow(int row, bool insert, TDataEntry* entry)
{
    const std::array<std::string, kFrameColumnCount> texts = TransmitRowTexts(*entry);
    QTreeWidgetItem* item = insert ? new QTreeWidgetItem : topLevelItem(row);
    for (int column = 0; column < kFrameColumnCount; ++column) {
        item->setText(column, QString::fromStdString(texts[column]));
    }
    if (insert) {
        item->setIcon(0, QIcon(QStringLiteral(":/icons/row.png")));
        item->setData(0, kEntryRole, QVariant::fromValue(static_cast<void*>(entry)));
        insertTopLevelItem(row, item);
        scrollToItem(item);
    }
    // The row becomes the keyboard anchor; the selection itself stays.
    setFocus();
    selectionModel()->setCurrentIndex(indexFromItem(item), QItemSelectionModel::NoUpdate);
}

void CLeftView::Send(TDataEntry* entry)
{
    if (entry == nullptr) {
        return;
    }
    if (OpenPortOrSaySo()) {
        SendEntry(m_link, *entry);
    }
}

bool CLeftView::OpenPortOrSaySo()
{
    const bool portOpen = m_ensurePortOpen ? m_ensurePortOpen() : m_link.IsOpen();
    if (!portOpen) {
        m_boxes.Stop(this, QString::fromUtf8(kPortOpenFailure));
    }
    return portOpen;
}

void CLeftView::StartPeriodic()
{
    TDataEntry* entry = SelectedEntry();
    if (entry == nullptr || m_periodic.IsRunning(entry)) {
        return;
    }
    const auto profile = OpenUserProfile();
    CPeriodDlg dialog(StoredPeriodMs(*profile, *entry), this);
    if (m_boxes.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    if (!OpenPortOrSaySo()) {
        return;
    }
    StorePeriodMs(*profile, *entry, dialog.PeriodMs());
    // Sends still running belong to an earlier opening of the port; the next
    // tick would stop them, and must not stop this one with them.
    if (m_link.Port().Session() != m_periodicSession) {
        m_periodic.StopAll();
        m_periodicSession = m_link.Port().Session();
    }
    m_periodic.Start(entry, dialog.PeriodMs());
}

void CLeftView::ShowPeriods()
{
    const QIcon rowIcon(QStringLiteral(":/icons/row.png"));
    const QIcon runningIcon(QStringLiteral(":/icons/row_periodic.png"));
    for (int row = 0; row < RowCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        const int period = m_periodic.PeriodOf(EntryOfRow(item));
        const QString text = period > 0 ? QStringLiteral("%1 ms").arg(period) : QString();
        if (item->text(kPeriodColumn) != text) {
            item->setText(kPeriodColumn, text);
            item->setIcon(0, period > 0 ? runningIcon : rowIcon);
        }
    }
    ShowCounts();
    if (m_periodic.RunningCount() > 0) {
        m_countsTimer.start();
    } else {
        m_countsTimer.stop();
    }
    emit CommandStatesChanged();
}

void CLeftView::ShowCounts()
{
    for (int row = 0; row < RowCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        const TDataEntry* entry = EntryOfRow(item);
        QString text;
        if (m_periodic.IsRunning(entry)) {
            const PeriodicSender::Counts counts = m_periodic.CountsOf(entry);
            text = QStringLiteral("%1/%2").arg(counts.sent).arg(counts.confirmed);
            if (counts.skipped > 0) {
                text += QString::fromUtf8(", 건너뜀 %1").arg(counts.skipped);
            }
        }
        if (item->text(kCountsColumn) != text) {
            item->setText(kCountsColumn, text);
        }
    }
}

void CLeftView::ReportStop(const TDataEntry* entry, PeriodicSender::Counts counts)
{
    WriteEventLine(PeriodicStopLine(*entry, counts), kColourBlack);
}

void CLeftView::Add()
{
    CTDataDlg dialog(CTDataDlg::AddDefaults(), m_boxes, this);
    dialog.SetDbcDatabase(m_dbcDatabase);
    if (m_boxes.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    auto entry = std::make_unique<TDataEntry>(dialog.Entry());
    TDataEntry* added = entry.get();
    if (!m_container->AddEntry(entry)) {
        m_boxes.Information(this, QString::fromUtf8(kDuplicate));
        return;
    }
    FormatRow(RowCount(), true, added);
    KeepList();
    emit CommandStatesChanged();
}

void CLeftView::Modify()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    TDataEntry* entry = selected.isEmpty() ? nullptr : EntryOfRow(selected.constFirst());
    if (entry == nullptr) {
        return;
    }
    CTDataDlg dialog(*entry, m_boxes, this);
    dialog.SetDbcDatabase(m_dbcDatabase);
    if (m_boxes.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    emit EntryWithdrawn(entry);
    m_undo.RecordModify(entry, *entry);
    CTDataObject* owner = entry->owner;
    *entry = dialog.Entry();
    entry->owner = owner;
    FormatRow(indexOfTopLevelItem(selected.constFirst()), false, entry);
    KeepList();
    emit CommandStatesChanged();
}

void CLeftView::Delete()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    TDataEntry* entry = selected.isEmpty() ? nullptr : EntryOfRow(selected.constFirst());
    if (entry == nullptr) {
        return;
    }
    emit EntryWithdrawn(entry);
    delete selected.constFirst();
    const size_t index = m_container->IndexOf(entry);
    m_undo.RecordDelete(m_container->TakeEntry(entry), index);
    clearSelection();
    KeepList();
    emit CommandStatesChanged();
}

void CLeftView::DeleteAll()
{
    if (RowCount() == 0) {
        return;
    }
    for (size_t i = 0; i < m_container->Count(); ++i) {
        emit EntryWithdrawn(m_container->At(i));
    }
    clear();
    m_undo.RecordDeleteAll(m_container->TakeAll());
    ForgetPeriodsExcept(*OpenUserProfile(), *m_container);
    KeepList();
    emit CommandStatesChanged();
}

bool CLeftView::LoadTransmitFile(const QString& path)
{
    auto loaded = std::make_unique<CTDataObject>();
    const TransmitFileResult result = ReadTransmitFile(path.toStdString(), *loaded);
    if (!result.ok()) {
        ReportFileFailure(result, kOpenFailed);
        return false;
    }
    for (size_t i = 0; i < m_container->Count(); ++i) {
        emit EntryWithdrawn(m_container->At(i));
    }
    // Undo levels name entries of the list that goes now.
    m_undo.Clear();
    m_container = std::move(loaded);
    RebuildRows();
    SetOrigin(path);
    KeepList();
    emit CommandStatesChanged();
    return true;
}

bool CLeftView::SaveTransmitFile(const QString& path)
{
    if (QFileInfo::exists(path) &&
        !m_boxes.Question(this, QString::fromUtf8(kOverwriteQuestion).arg(path))) {
        return false;
    }
    const TransmitFileResult result = WriteTransmitFile(path.toStdString(), *m_container);
    if (!result.ok()) {
        ReportFileFailure(result, kSaveFailed);
        return false;
    }
    ForgetPeriodsExcept(*OpenUserProfile(), *m_container);
    SetOrigin(path);
    return true;
}

void CLeftView::RebuildRows()
{
    setUpdatesEnabled(false);
    clear();
    for (size_t i = 0; i < m_container->Count(); ++i) {
        FormatRow(static_cast<int>(i), true, m_container->At(i));
    }
    setUpdatesEnabled(true);
}

void CLeftView::Undo()
{
    const std::vector<TDataEntry*> restored =
        m_undo.Undo(*m_container, [this](const TDataEntry* entry) { emit EntryWithdrawn(entry); });
    if (restored.empty()) {
        return;
    }
    RebuildRows();
    ShowPeriods();
    const size_t row = m_container->IndexOf(restored.front());
    if (row < m_container->Count()) {
        setCurrentItem(topLevelItem(static_cast<int>(row)));
    }
    KeepList();
    emit CommandStatesChanged();
}

QString CLeftView::KeptListPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + QLatin1String(kKeptListFile);
}

void CLeftView::SetOrigin(const QString& path, bool store)
{
    m_origin = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (store) {
        OpenUserProfile()->setValue(OriginKey(), m_origin);
    }
    const QString tip = m_origin.isEmpty() ? QString::fromUtf8(kNoOriginTip)
                                           : QString::fromUtf8(kOriginTip).arg(m_origin);
    for (int column = 0; column < kColumnCount; ++column) {
        headerItem()->setToolTip(column, tip);
    }
}

void CLeftView::KeepList()
{
    const QString kept = KeptListPath();
    // The user's own file is theirs: the kept copy never replaces it.
    if (IsSameFile(kept, m_origin)) {
        return;
    }
    QDir().mkpath(QFileInfo(kept).absolutePath());
    const TransmitFileResult result = WriteTransmitFile(kept.toStdString(), *m_container);
    if (!result.ok()) {
        WriteEventLine(CaptionLine(kKeptListCaption, result.report + kKeptListUnwritten),
                       kColourRed);
    }
}

void CLeftView::RestoreKeptList()
{
    // The origin belongs to the kept list and is shown only with it.
    const QString origin = OpenUserProfile()->value(OriginKey()).toString();
    SetOrigin(QString(), false);
    const QString kept = KeptListPath();
    if (!QFileInfo::exists(kept)) {
        return;
    }
    auto restored = std::make_unique<CTDataObject>();
    const TransmitFileResult result = ReadTransmitFile(kept.toStdString(), *restored);
    if (!result.ok()) {
        // Told once the event log is there; the file stays as it is until the
        // list changes.
        const std::string line = CaptionLine(kKeptListCaption, result.report + kKeptListUnreadable);
        QTimer::singleShot(0, this, [line] { WriteEventLine(line, kColourRed); });
        return;
    }
    m_container = std::move(restored);
    RebuildRows();
    SetOrigin(origin, false);
}

void CLeftView::ReportFileFailure(const TransmitFileResult& result, const char* failure)
{
    // The transport's own report (file and reason) first, then the command's.
    m_boxes.Stop(this, QString::fromStdString(result.report));
    m_boxes.Stop(this, QString::fromUtf8(failure));
}

void CLeftView::OpenOrSaveFile(bool save)
{
    const auto profile = OpenUserProfile();
    const QString title = QString::fromUtf8(save ? kSaveTitle : kOpenTitle);
    const QString folder = profile->value(FileDirKey()).toString();
    const QString filter = QString::fromUtf8(kFileFilter);
    const QString suffix = QString::fromLatin1(kFileSuffix);
    const QString path = save ? m_boxes.SaveFileName(this, title, folder, filter, suffix)
                              : m_boxes.OpenFileName(this, title, folder, filter, suffix);
    // The folder is remembered only after the file was read or written.
    if (!path.isEmpty() && (save ? SaveTransmitFile(path) : LoadTransmitFile(path))) {
        profile->setValue(FileDirKey(),
                          QString::fromStdString(DirectoryOfPath(path.toStdString())));
    }
}

std::unique_ptr<QMenu> CLeftView::BuildContextMenu()
{
    return BuildCommandMenu(QStringLiteral("&TDataMenu"), kTDataMenu, *this,
                            [this](int id) { return IsCommandEnabled(id); });
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        const QTreeWidgetItem* current = currentItem();
        const QPoint local = current != nullptr ? visualItemRect(current).bottomLeft() : QPoint();
        at = viewport()->mapToGlobal(local);
    }
    event->accept();
    menu->exec(at);
}

void CLeftView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        Delete();
    }
    QTreeWidget::keyPressEvent(event);
}
