#include "app/ui/StatusBar.h"

#include <algorithm>
#include <array>

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPainter>

namespace {

struct PaneLayout {
    int id;
    const char* firstText;
    int width;
};

// The whole text of a pane, which its label may show elided.
constexpr char kFullTextProperty[] = "fullText";

// What the message pane keeps for its prompts before the port pane grows.
constexpr int kMessageRoom = 220;
// Room between two panes, frame and spacing.
constexpr int kPaneSpacing = 8;

int TextWidth(const QLabel* label, const QString& text)
{
    return label->fontMetrics().horizontalAdvance(text) + label->contentsMargins().left() +
           label->contentsMargins().right() + 2 * label->margin() + 8;
}

constexpr std::array<PaneLayout, 7> kPaneLayout = {{
    {StatusBar::kPortPane, "COM1", 50},
    {StatusBar::kUartPane, "115200", 110},
    {StatusBar::kReceiveModePane, "CAN2.0B", 100},
    {StatusBar::kBitRatePane, "250K BPS", 110},
    {StatusBar::kIdPane, "ID:0x1FFFFFFF", 90},
    {StatusBar::kMaskIdPane, "Mask ID:0x1FFFFFFF", 110},
    {StatusBar::kLampPane, "ON", 50},
}};

// Lamp images: 30 x 15, two round lights on a teal background that is not
// drawn. Left light = reception (bit 1), right light = transmission (bit 0).
constexpr int kLampWidth = 30;
constexpr int kLampHeight = 15;
const QColor kLampBackground(0, 128, 128);  // 0x808000 as 0x00BBGGRR
const QColor kLampOff(128, 128, 128);
const QColor kLampOn(0, 255, 0);
const QColor kLampRim(0, 0, 0);

QImage PaintLamp(int state)
{
    QImage image(kLampWidth, kLampHeight, QImage::Format_ARGB32);
    image.fill(kLampBackground);
    {
        QPainter painter(&image);
        // No antialiasing: an edge blended with the background would escape
        // the transparent colour and leave a teal fringe.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(kLampRim);
        painter.setBrush((state & StatusBar::kReceiveLit) != 0 ? kLampOn : kLampOff);
        painter.drawEllipse(1, 1, 12, 12);
        painter.setBrush((state & StatusBar::kTransmitLit) != 0 ? kLampOn : kLampOff);
        painter.drawEllipse(16, 1, 12, 12);
    }
    const QRgb background = kLampBackground.rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == background) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return image;
}

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent)
{
    // The idle message stands whenever no prompt does: a menu item's prompt
    // is withdrawn with an empty message, which would otherwise leave the
    // message pane blank for the rest of the run.
    m_idleMessage = QString::fromUtf8("준비");
    showMessage(m_idleMessage);
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) {
            showMessage(m_idleMessage);
        }
    });
    for (const PaneLayout& layout : kPaneLayout) {
        auto* label = new QLabel(QString::fromLatin1(layout.firstText), this);
        label->setObjectName(QStringLiteral("pane%1").arg(layout.id));
        addPermanentWidget(label);
        m_panes.emplace_back(layout.id, label);
    }
    for (int state = 0; state < 4; ++state) {
        m_lampPixmaps[static_cast<std::size_t>(state)] = QPixmap::fromImage(LampImage(state));
    }
    m_lampTimer.setInterval(kLampTickMs);
    connect(&m_lampTimer, &QTimer::timeout, this, &StatusBar::Tick);
}

void StatusBar::SetAutoScrollPaused(bool paused)
{
    const QString idle = QString::fromUtf8(paused ? "자동 스크롤 멈춤" : "준비");
    const bool idleShown = currentMessage() == m_idleMessage;
    m_idleMessage = idle;
    // A prompt that stands (a menu item's) keeps the pane until it is withdrawn.
    if (idleShown) {
        showMessage(m_idleMessage);
    }
}

void StatusBar::LayOutPanes()
{
    for (const PaneLayout& layout : kPaneLayout) {
        QLabel* label = Pane(layout.id);
        label->setFixedWidth(layout.width);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    ShowLamp(m_shownActivityState);
}

QLabel* StatusBar::Pane(int id) const
{
    for (const auto& [paneId, label] : m_panes) {
        if (paneId == id) {
            return label;
        }
    }
    return nullptr;
}

void StatusBar::SetPaneText(int id, const std::string& text)
{
    QLabel* label = Pane(id);
    const QString full = QString::fromStdString(text);
    const QVariant shown = label->property(kFullTextProperty);
    if (shown.isValid() && shown.toString() == full) {
        return;
    }
    label->setProperty(kFullTextProperty, full);
    label->setToolTip(full);
    if (id == kPortPane) {
        FitPortPane();
        return;
    }
    // The table's widths suit the Windows system font; another font may need
    // more, so a pane grows to show its whole (short, bounded) text.
    label->setText(full);
    for (const PaneLayout& layout : kPaneLayout) {
        if (layout.id == id) {
            label->setFixedWidth(std::max(layout.width, TextWidth(label, full)));
            break;
        }
    }
}

void StatusBar::FitPortPane()
{
    QLabel* port = Pane(kPortPane);
    const QString full = port->property(kFullTextProperty).toString();
    int others = 0;
    for (const auto& [id, label] : m_panes) {
        if (id != kPortPane) {
            others += label->width() + kPaneSpacing;
        }
    }
    // A kernel name (ttyUSB0) fits the table's width; a path (/tmp/ttyTALVOX)
    // takes what is left once the message pane has its room.
    const int minimum = kPaneLayout[0].width;
    const int room = std::max(minimum, width() - others - kPaneSpacing - kMessageRoom);
    const int needed = TextWidth(port, full);
    const int width = std::clamp(needed, minimum, room);
    port->setFixedWidth(width);
    port->setText(needed > width ? port->fontMetrics().elidedText(
                                       full, Qt::ElideLeft, width - TextWidth(port, QString()))
                                 : full);
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    FitPortPane();
}

void StatusBar::Refresh(const MainSetting& setting, const std::vector<std::string>& portNames)
{
    static const std::string kNoPort;
    const int index = setting.serialPortIndex;
    const std::string& portName = index >= 0 && static_cast<std::size_t>(index) < portNames.size()
                                      ? portNames[static_cast<std::size_t>(index)]
                                      : kNoPort;
    SetPaneText(kPortPane, portName);
    SetPaneText(kUartPane,
                QString::asprintf("UART: %u BPS", setting.serialPortBaudRate).toStdString());
    SetPaneText(kReceiveModePane, std::string(ReceiveModeName(setting.modeByte)));
    SetPaneText(kBitRatePane, FormatCanBitRate(setting.canBitTime));
    const bool extended = IsExtendedIdMode(setting.modeByte);
    SetPaneText(kIdPane,
                QString::asprintf(extended ? "ID:%08X" : "ID:%03X", setting.canId).toStdString());
    SetPaneText(kMaskIdPane,
                QString::asprintf(extended ? "Mask ID:%08X" : "Mask ID:%03X", setting.canMaskId)
                    .toStdString());
}

void StatusBar::OnLinkActivity(int kind)
{
    if (kind == kTransmitConfirmed) {
        m_txTicks = kLampTicks;
        m_activityState |= kTransmitLit;
    } else if (kind == kFrameReceived) {
        m_rxTicks = kLampTicks;
        m_activityState |= kReceiveLit;
    }
    RefreshLamp();
}

void StatusBar::Tick()
{
    if (m_txTicks > 0 && m_txTicks-- == 1) {
        m_activityState &= ~kTransmitLit;
        RefreshLamp();
    }
    if (m_rxTicks > 0 && m_rxTicks-- == 1) {
        m_activityState &= ~kReceiveLit;
        RefreshLamp();
    }
}

void StatusBar::StartLampTimer()
{
    m_lampTimer.start();
}

void StatusBar::StopLampTimer()
{
    m_lampTimer.stop();
}

void StatusBar::RefreshLamp()
{
    if (m_activityState == m_shownActivityState) {
        return;
    }
    ShowLamp(m_activityState);
    m_shownActivityState = m_activityState;
}

void StatusBar::ShowLamp(int state)
{
    Pane(kLampPane)->setPixmap(LampPixmap(state));
}

const QImage& StatusBar::LampImage(int state)
{
    static const std::array<QImage, 4> images = {PaintLamp(0), PaintLamp(1), PaintLamp(2),
                                                 PaintLamp(3)};
    return images[static_cast<std::size_t>(state & 3)];
}

const QPixmap& StatusBar::LampPixmap(int state) const
{
    return m_lampPixmaps[static_cast<std::size_t>(state & 3)];
}
