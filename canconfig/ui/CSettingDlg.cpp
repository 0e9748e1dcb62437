#include "canconfig/ui/CSettingDlg.h"

#include <array>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "canconfig/BitTiming.h"
#include "canconfig/SettingChoices.h"
#include "canconfig/ui/CBitTimingSearchDlg.h"
#include "canconfig/ui/IdBitEditor.h"
#include "common/ui/MessageBoxes.h"

namespace {

enum CustomField : size_t { kBrp, kPrseg, kPhseg1, kPhseg2, kCustomFieldCount };

constexpr int kIdTypeA = 0;
constexpr int kIdTypeB = 1;

// The bit-time conditions as the rate panel lists them; the computed rate
// names the one a custom bit time breaks.
constexpr char kPhseg2Condition[] = "1) PHSEG2 >= 1";
constexpr char kSegmentCondition[] = "2) PRSEG+PHSEG1+1 >= PHSEG2";
constexpr char kRateCeiling[] = "CAN BPS가 1M BPS를 넘었읍니다";

QString BrokenRule(BitTimeFault fault)
{
    switch (fault) {
    case BitTimeFault::kRateAboveOneMega:
        return QString::fromUtf8(kRateCeiling);
    case BitTimeFault::kPhseg2BelowOne:
        return QString::fromUtf8(kPhseg2Condition);
    case BitTimeFault::kSegmentsShorterThanPhseg2:
        return QString::fromUtf8(kSegmentCondition);
    case BitTimeFault::kNone:
        break;
    }
    return QString();
}

// "16 TQ, 샘플 포인트 62.5 %": the sample point to one decimal, halves rounded
// up (13 of 16 quanta shows 81.3).
QString QuantaText(CanBitTime bitTime)
{
    const double tenths = std::round(SamplePointPercent(bitTime) * 10.0);
    return QStringLiteral("%1 TQ, 샘플 포인트 %2 %")
        .arg(BitQuanta(bitTime))
        .arg(QString::number(tenths / 10.0, 'f', 1));
}

IdWidth WidthOf(bool extended)
{
    return extended ? IdWidth::k29Bit : IdWidth::k11Bit;
}

template <class Widget>
Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& items)
{
    auto* list = Named(new QComboBox(parent), name);
    list->addItems(items);
    return list;
}

QStringList Numbers(int first, int last)
{
    QStringList numbers;
    for (int n = first; n <= last; ++n) {
        numbers << QString::number(n);
    }
    return numbers;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const char* name)
{
    auto* button = Named(new QPushButton(text, parent), name);
    // No button is a default one: Enter must not confirm.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

struct CSettingDlg::Controls {
    QComboBox* port = nullptr;
    QComboBox* baud = nullptr;
    QComboBox* rxMode = nullptr;
    QComboBox* bps = nullptr;
    QComboBox* idType = nullptr;
    QCheckBox* autoReset = nullptr;
    QCheckBox* notifyBusOff = nullptr;
    QCheckBox* notifyErrorPassive = nullptr;
    QCheckBox* notifyWarning = nullptr;
    IdBitEditor* mask = nullptr;
    IdBitEditor* id = nullptr;
    QCheckBox* custom = nullptr;
    QLineEdit* computed = nullptr;
    std::array<QComboBox*, kCustomFieldCount> fields{};
    // Below the condition texts: the quanta and sample point of the bit time
    // "계산된 BPS" shows, and the search that fills the custom lists.
    QLabel* quanta = nullptr;
    QPushButton* find = nullptr;

    // The preset last chosen in the BPS list, or found for the bit time at
    // opening; -1 when there is none. Unticking the custom box returns to it.
    int presetIndex = -1;
};

CSettingDlg::CSettingDlg(const MainSetting& setting, const std::vector<std::string>& portNames,
                         MessageBoxes& boxes, QWidget* parent)
    : EnterIgnoringDialog(parent), m_setting(setting), m_boxes(boxes), m_controls(new Controls)
{
    setWindowTitle(QStringLiteral("Talvox 환경 설정"));
    BuildControls(portNames);
    Open();

    Controls& c = *m_controls;
    connect(c.rxMode, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnReceiveModeChanged);
    connect(c.idType, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnIdTypeChanged);
    connect(c.bps, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnPresetChanged);
    connect(c.custom, &QCheckBox::clicked, this, &CSettingDlg::OnCustomClicked);
    for (QComboBox* field : c.fields) {
        connect(field, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnCustomFieldChanged);
    }
}

CSettingDlg::~CSettingDlg()
{
    delete m_controls;
}

// Controls are made in visual order (left column, identifier editors, bit-rate
// panel, buttons), which is also their tab order.
void CSettingDlg::BuildControls(const std::vector<std::string>& portNames)
{
    Controls& c = *m_controls;

    auto* left = new QVBoxLayout;
    auto* pcGroup = new QGroupBox(QStringLiteral("PC 통신 인터페이스 설정"), this);
    auto* pcForm = new QFormLayout(pcGroup);
    QStringList ports;
    for (const std::string& name : portNames) {
        ports << QString::fromStdString(name);
    }
    c.port = MakeList(pcGroup, "port", ports);
    pcForm->addRow(QStringLiteral("통신 포트"), c.port);
    QStringList speeds;
    for (const uint32_t speed : kUartSpeeds) {
        speeds << QString::number(speed);
    }
    c.baud = MakeList(pcGroup, "baud", speeds);
    pcForm->addRow(QStringLiteral("통신 속도"), c.baud);
    left->addWidget(pcGroup);

    auto* canForm = new QFormLayout;
    QStringList modes;
    for (uint8_t mode = 0; mode < 3; ++mode) {
        modes << QString::fromUtf8(ReceiveModeName(static_cast<uint8_t>(mode << 5)));
    }
    c.rxMode = MakeList(this, "rxMode", modes);
    canForm->addRow(QStringLiteral("CAN 수신 모드"), c.rxMode);
    QStringList presets;
    for (const BitTimePreset& preset : BitTimePresets) {
        presets << QString::fromUtf8(preset.label);
    }
    c.bps = MakeList(this, "bps", presets);
    canForm->addRow(QStringLiteral("CAN BPS"), c.bps);
    c.idType = MakeList(this, "idType", {QStringLiteral("CAN2.0A"), QStringLiteral("CAN2.0B")});
    canForm->addRow(QStringLiteral("CAN ID 타입"), c.idType);
    left->addLayout(canForm);

    c.autoReset =
        Named(new QCheckBox(QStringLiteral("CAN Bus-Off시 자동리셋 사용"), this), "autoReset");
    left->addWidget(c.autoReset);
    auto* notifyGroup = new QGroupBox(QStringLiteral("CAN 에러 발생 시 알림 여부 설정"), this);
    auto* notifyColumn = new QVBoxLayout(notifyGroup);
    c.notifyBusOff =
        Named(new QCheckBox(QStringLiteral("CAN Bus-Off 에러 알림"), notifyGroup), "notifyBusOff");
    c.notifyErrorPassive =
        Named(new QCheckBox(QStringLiteral("CAN Error-Passive 에러 알림"), notifyGroup),
              "notifyErrorPassive");
    c.notifyWarning =
        Named(new QCheckBox(QStringLiteral("CAN Warning 에러 알림"), notifyGroup), "notifyWarning");
    for (QCheckBox* box : {c.notifyBusOff, c.notifyErrorPassive, c.notifyWarning}) {
        notifyColumn->addWidget(box);
    }
    left->addWidget(notifyGroup);
    left->addStretch();

    auto* middle = new QVBoxLayout;
    c.mask =
        Named(new IdBitEditor(QStringLiteral("수신 Mask ID"),
                              QStringLiteral("[ 비트값이 0이면 해당 비트가 No Mask임 ]"), this),
              "maskEditor");
    c.id = Named(new IdBitEditor(QStringLiteral("수신 ID"), QString(), this), "idEditor");
    middle->addWidget(c.mask);
    middle->addWidget(c.id);
    middle->addStretch();

    auto* rateGroup = new QGroupBox(this);
    auto* rateColumn = new QVBoxLayout(rateGroup);
    c.custom =
        Named(new QCheckBox(QStringLiteral("사용자 정의 CAN BPS 사용"), rateGroup), "customBps");
    rateColumn->addWidget(c.custom);
    auto* rateForm = new QFormLayout;
    c.computed = Named(new QLineEdit(rateGroup), "computedBps");
    c.computed->setReadOnly(true);
    c.computed->setMinimumWidth(
        c.computed->fontMetrics().horizontalAdvance(QStringLiteral("CAN: 888.89K BPS")) + 16);
    rateForm->addRow(QStringLiteral("계산된 BPS"), c.computed);
    struct FieldList {
        const char* label;
        const char* name;
        int first;
        int last;
    };
    constexpr std::array<FieldList, kCustomFieldCount> kFieldLists = {{
        {"BRP(Baud-Rate Prescaler)", "brp", 0, 63},
        {"PRSEG(Propagation Segment)", "prseg", 0, 7},
        {"PHSEG1(Phase1 Segment)", "phseg1", 0, 7},
        {"PHSEG2(Phase2 Segment)", "phseg2", 1, 7},
    }};
    for (size_t i = 0; i < kCustomFieldCount; ++i) {
        const FieldList& field = kFieldLists[i];
        c.fields[i] = MakeList(rateGroup, field.name, Numbers(field.first, field.last));
        rateForm->addRow(QString::fromLatin1(field.label), c.fields[i]);
    }
    rateColumn->addLayout(rateForm);
    for (const char* text :
         {"[ CAN BPS 계산식 ]", "CAN BPS = 16MHz / BIT_TIME",
          "BIT_TIME = ((BRP+1)*2) * ((PRSEG+1) +", "(PHSEG1+1) + (PHSEG2+1) + 1)",
          "[ CAN Bit Time 조건 ]", kPhseg2Condition, kSegmentCondition}) {
        rateColumn->addWidget(new QLabel(QString::fromUtf8(text), rateGroup));
    }
    rateColumn->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* ok = MakeButton(this, QStringLiteral("설정"), "ok");
    QPushButton* cancel = MakeButton(this, QStringLiteral("취소"), "cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &CSettingDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSettingDlg::reject);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addWidget(rateGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    // Made last, so they come last in the tab order; placed in the panel's
    // free space under the condition texts, so nothing above them moves.
    c.quanta = Named(new QLabel(rateGroup), "bitQuanta");
    c.find = MakeButton(rateGroup, QStringLiteral("찾기..."), "findBitTime");
    connect(c.find, &QPushButton::clicked, this, &CSettingDlg::OnFindClicked);
    auto* quantaRow = new QHBoxLayout;
    quantaRow->addWidget(c.quanta, 1);
    quantaRow->addWidget(c.find);
    rateColumn->insertLayout(rateColumn->count() - 1, quantaRow);  // above the stretch
}

// Fills the controls from the working copy, correcting what the lists cannot
// show. Runs before the handlers are connected.
void CSettingDlg::Open()
{
    Controls& c = *m_controls;

    m_setting.serialPortIndex = PortListIndex(m_setting.serialPortIndex, c.port->count());
    c.port->setCurrentIndex(m_setting.serialPortIndex);

    int speedIndex = UartSpeedIndex(m_setting.serialPortBaudRate);
    if (speedIndex < 0) {
        speedIndex = kDefaultUartSpeedIndex;
        m_setting.serialPortBaudRate = UartSpeedAt(speedIndex);
    }
    c.baud->setCurrentIndex(speedIndex);

    c.presetIndex = FindBitTimePreset(m_setting.canBitTime);

    const uint8_t mode = m_setting.modeByte;
    c.autoReset->setChecked((mode & 0x08) != 0);
    c.notifyBusOff->setChecked((mode & 0x04) != 0);
    c.notifyErrorPassive->setChecked((mode & 0x02) != 0);
    c.notifyWarning->setChecked((mode & 0x01) != 0);

    const IdWidth width = WidthOf(IsExtendedIdMode(mode));
    c.mask->Load(m_setting.canMaskId, width);
    c.id->Load(m_setting.canId, width);

    ShowBitTime(c.presetIndex, m_setting.canBitTime);
    ApplyModeByte(mode);
}

// A preset bit time selects its preset and shows its fields in the disabled
// custom lists; any other value opens in custom mode. A PHSEG2 of 0 has no
// item and leaves its list without a selection.
void CSettingDlg::ShowBitTime(int presetIndex, CanBitTime bitTime)
{
    Controls& c = *m_controls;
    const bool presetMode = presetIndex >= 0;
    c.bps->setCurrentIndex(presetMode ? presetIndex : -1);
    c.bps->setEnabled(presetMode);
    c.custom->setChecked(!presetMode);
    ShowRate(bitTime);

    const BitTimeFields fields = SplitBitTime(bitTime);
    c.fields[kBrp]->setCurrentIndex(fields.brp);
    c.fields[kPrseg]->setCurrentIndex(fields.prseg);
    c.fields[kPhseg1]->setCurrentIndex(fields.phseg1);
    c.fields[kPhseg2]->setCurrentIndex(fields.phseg2 - 1);
    for (QComboBox* field : c.fields) {
        field->setEnabled(!presetMode);
    }
}

// While the custom bit time breaks a rule, its rate is red and names the rule,
// so the refusal at "설정" comes as no surprise. A preset breaks none.
void CSettingDlg::ShowRate(CanBitTime bitTime)
{
    QLineEdit* computed = m_controls->computed;
    computed->setText(QString::fromStdString(FormatCanBitRate(bitTime)));
    const QString rule =
        m_controls->custom->isChecked() ? BrokenRule(FindBitTimeFault(bitTime)) : QString();
    if (rule.isEmpty()) {
        computed->setPalette(QPalette());  // the inherited colours again
    } else {
        QPalette broken = computed->palette();
        broken.setColor(QPalette::Text, Qt::red);
        computed->setPalette(broken);
    }
    computed->setToolTip(rule);
    computed->setAccessibleDescription(rule);
    m_controls->quanta->setText(QuantaText(bitTime));
}

void CSettingDlg::ApplyModeByte(uint8_t modeByte)
{
    Controls& c = *m_controls;
    const QSignalBlocker blockMode(c.rxMode);
    const QSignalBlocker blockType(c.idType);
    const int receiveMode = ReceiveModeIndex(modeByte);
    c.rxMode->setCurrentIndex(receiveMode);
    c.idType->setEnabled(receiveMode == 0);
    c.idType->setCurrentIndex(IsExtendedIdMode(modeByte) ? kIdTypeB : kIdTypeA);
    SetEditorWidths(IsExtendedIdMode(modeByte));
}

void CSettingDlg::SetEditorWidths(bool extended)
{
    m_controls->mask->SetWidth(WidthOf(extended));
    m_controls->id->SetWidth(WidthOf(extended));
}

void CSettingDlg::OnReceiveModeChanged()
{
    ApplyModeByte(ModeByteFromControls());
}

void CSettingDlg::OnIdTypeChanged()
{
    SetEditorWidths(m_controls->idType->currentIndex() == kIdTypeB);
}

void CSettingDlg::OnPresetChanged(int index)
{
    if (index < 0) {
        return;
    }
    Controls& c = *m_controls;
    c.presetIndex = index;
    const CanBitTime preset = PresetBitTimeAt(index);
    ShowRate(preset);
    const BitTimeFields fields = SplitBitTime(preset);
    const std::array<int, kCustomFieldCount> items = {fields.brp, fields.prseg, fields.phseg1,
                                                      fields.phseg2 - 1};
    for (size_t i = 0; i < kCustomFieldCount; ++i) {
        const QSignalBlocker block(c.fields[i]);
        c.fields[i]->setCurrentIndex(items[i]);
    }
}

// The computed rate always follows the bit time now in effect: the custom
// lists once ticked, the preset selected again once unticked. The custom
// lists keep what they show, so ticking again brings the user's fields back.
void CSettingDlg::OnCustomClicked(bool ticked)
{
    Controls& c = *m_controls;
    {
        const QSignalBlocker block(c.bps);
        if (ticked) {
            c.bps->setCurrentIndex(-1);
        } else {
            c.bps->setCurrentIndex(c.presetIndex >= 0 ? c.presetIndex : kDefaultBitTimePreset);
        }
    }
    c.bps->setEnabled(!ticked);
    for (QComboBox* field : c.fields) {
        field->setEnabled(ticked);
    }
    ShowRate(BitTimeInEffect());
}

void CSettingDlg::OnCustomFieldChanged()
{
    if (m_controls->custom->isChecked()) {
        ShowRate(CustomBitTimeShown());
    }
}

// Starts from the rate in effect; a chosen bit time goes through the custom
// box and the four lists as if the user had set them, so every handler runs.
void CSettingDlg::OnFindClicked()
{
    Controls& c = *m_controls;
    CBitTimingSearchDlg search(CBitTimingSearchDlg::RateText(CanBitRate(BitTimeInEffect())), this);
    if (m_boxes.RunDialog(search) != QDialog::Accepted) {
        return;
    }
    if (!c.custom->isChecked()) {
        c.custom->click();
    }
    const BitTimeFields fields = SplitBitTime(search.Chosen());
    c.fields[kBrp]->setCurrentIndex(fields.brp);
    c.fields[kPrseg]->setCurrentIndex(fields.prseg);
    c.fields[kPhseg1]->setCurrentIndex(fields.phseg1);
    c.fields[kPhseg2]->setCurrentIndex(fields.phseg2 - 1);
}

uint8_t CSettingDlg::ModeByteFromControls() const
{
    const Controls& c = *m_controls;
    ModeChoices choices;
    choices.receiveMode = c.rxMode->currentIndex();
    choices.idType29Bit = c.idType->currentIndex() == kIdTypeB;
    choices.autoResetOnBusOff = c.autoReset->isChecked();
    choices.notifyBusOff = c.notifyBusOff->isChecked();
    choices.notifyErrorPassive = c.notifyErrorPassive->isChecked();
    choices.notifyWarning = c.notifyWarning->isChecked();
    return ComposeModeByte(choices);
}

CanBitTime CSettingDlg::CustomBitTimeShown() const
{
    const Controls& c = *m_controls;
    return CustomBitTime(c.fields[kBrp]->currentIndex(), c.fields[kPrseg]->currentIndex(),
                         c.fields[kPhseg1]->currentIndex(), c.fields[kPhseg2]->currentIndex());
}

CanBitTime CSettingDlg::BitTimeInEffect() const
{
    if (m_controls->custom->isChecked()) {
        return CustomBitTimeShown();
    }
    return PresetBitTimeAt(m_controls->bps->currentIndex());
}

void CSettingDlg::accept()
{
    Controls& c = *m_controls;
    if (!c.mask->Validate()) {
        m_boxes.Stop(this, QStringLiteral("수신 마스크 ID 데이터 입력이 잘못되었읍니다"));
        return;
    }
    if (!c.id->Validate()) {
        m_boxes.Stop(this, QStringLiteral("수신 ID 데이터 입력이 잘못되었읍니다"));
        return;
    }
    const CanBitTime bitTime = BitTimeInEffect();
    if (!IsValidBitTime(bitTime)) {
        m_boxes.Stop(this, QStringLiteral("CAN 비트 타임 데이터 입력이 잘못되었읍니다"));
        return;
    }

    m_setting.serialPortIndex = c.port->currentIndex();
    m_setting.serialPortBaudRate = UartSpeedAt(c.baud->currentIndex());
    m_setting.modeByte = ModeByteFromControls();
    m_setting.canBitTime = bitTime;
    const uint32_t idMask = IdMaskForMode(m_setting.modeByte);
    m_setting.canMaskId = c.mask->Value() & idMask;
    m_setting.canId = c.id->Value() & idMask;
    EnterIgnoringDialog::accept();
}
