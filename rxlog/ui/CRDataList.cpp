#include "rxlog/ui/CRDataList.h"

#include <algorithm>
#include <array>

#include <QContextMenuEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include "common/TextFormat.h"
#include "common/CommandIds.h"
#include "common/CommandRouter.h"
#include "rxlog/LogFiles.h"
#include "common/ui/CommandMenu.h"
#include "rxlog/ui/ListFont.h"

namespace {

constexpr std::array<CommandMenuItem, 7> kRDataMenu{{
    {kCmdClearReceivedData, "수신 데이터 전체 삭제"},
    {0, nullptr},
    {kCmdReceptionStart, "CAN 데이터 수신 시작"},
    {kCmdReceptionStop, "CAN 데이터 수신 중지"},
    {0, nullptr},
    {kCmdReceivedDataLogStart, "수신 데이터 로깅 시작"},
    {kCmdReceivedDataLogStop, "수신 데이터 로깅 중지"},
}};

// Every line is one fixed-height row. The list lays out with uniform row sizes,
// which asks for one row's size only, so the width given is that of the widest
// line held: no line is cut short of the horizontal scroll range.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(CRDataList* list) : QStyledItemDelegate(list), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int margins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        size.setWidth(std::max(size.width(), m_list->WidestLine() + margins));
        size.setHeight(CRDataList::kLineHeight);
        return size;
    }

private:
    const CRDataList* m_list;
};

}  // namespace

CRDataList::CRDataList(QWidget* parent) : QListWidget(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new RowDelegate(this));
    // clear() resets the model; the list forgets the widest line with it.
    m_resetConnection =
        connect(model(), &QAbstractItemModel::modelReset, this, [this] { m_widestLine = 0; });
    setFont(MakeListFont());
    m_charWidth = fontMetrics().horizontalAdvance(QLatin1Char('X'));
    m_selectTimer.setSingleShot(true);
    m_selectTimer.setInterval(0);
    connect(&m_selectTimer, &QTimer::timeout, this, &CRDataList::SelectNewest);
    SetReceivedDataSink(this);
}

CRDataList::~CRDataList()
{
    // The base class empties the model after this part is gone.
    disconnect(m_resetConnection);
    if (ReceivedDataSink() == this) {
        SetReceivedDataSink(nullptr);
    }
}

void CRDataList::AddLine(std::string_view text)
{
    auto* item =
        new QListWidgetItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    // The list font is fixed-pitch with double-width Hangul, so a width in
    // character cells is a width in pixels without shaping the text.
    const int width = Cp949Width(text) * m_charWidth;
    item->setData(kWidthRole, width);
    bool widthChanged = false;
    if (width > m_widestLine) {
        m_widestLine = width;
        widthChanged = true;
    }
    addItem(item);
    ++m_linesAdded;
    if (count() > m_maxLines) {
        std::unique_ptr<QListWidgetItem> oldest(takeItem(0));
        if (oldest->data(kWidthRole).toInt() == m_widestLine) {
            RecomputeWidest();
            widthChanged = true;
        }
    }
    if (widthChanged) {
        // The uniform row size is cached by the view until the next full layout.
        scheduleDelayedItemsLayout();
    }
    // Selecting a row lays out the whole list; a burst of lines selects once.
    if (!m_selectTimer.isActive()) {
        m_selectTimer.start();
    }
    if (IsLogging(kReceivedDataLog)) {
        WriteLog(kReceivedDataLog, TimeStampedLine(text));
    }
}

void CRDataList::RecomputeWidest()
{
    m_widestLine = 0;
    for (int row = 0; row < count(); ++row) {
        m_widestLine = std::max(m_widestLine, item(row)->data(kWidthRole).toInt());
    }
}

void CRDataList::SelectNewest()
{
    if (count() > 0) {
        setCurrentRow(count() - 1);
        scrollToBottom();
    }
    m_linesSelected = m_linesAdded;
}

void CRDataList::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (m_paintObserver) {
        m_paintObserver(m_linesSelected);
    }
}

std::unique_ptr<QMenu> CRDataList::BuildContextMenu()
{
    if (m_router == nullptr) {
        return nullptr;
    }
    const bool hasLines = count() > 0;
    const bool logging = IsLogging(kReceivedDataLog);
    const bool receptionOn = m_router->IsCommandEnabled(kCmdReceptionStop);
    return BuildCommandMenu(QStringLiteral("&RDataMenu"), kRDataMenu, *m_router,
                            [hasLines, logging, receptionOn](int id) {
                                switch (id) {
                                case kCmdClearReceivedData:
                                    return hasLines;
                                case kCmdReceptionStart:
                                    return !receptionOn;
                                case kCmdReceptionStop:
                                    return receptionOn;
                                case kCmdReceivedDataLogStart:
                                    return !logging;
                                case kCmdReceivedDataLogStop:
                                    return logging;
                                default:
                                    return false;
                                }
                            });
}

void CRDataList::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (!menu) {
        return;
    }
    // A request from the keyboard carries no mouse position: open below the
    // current line, or at the top left of an empty list.
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        const QListWidgetItem* current = currentItem();
        const QPoint local =
            current != nullptr ? visualItemRect(current).bottomLeft() : QPoint(0, 0);
        at = viewport()->mapToGlobal(local);
    }
    event->accept();
    menu->exec(at);
}
