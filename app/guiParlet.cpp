#include "guiParlet.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/AdvProgr.h"
#include "app/Anchors.h"
#include "app/Fonts.h"
#include "app/GuardedSlot.h"
#include "app/LogLines.h"
#include "app/Memo.h"
#include "app/UiText.h"
#include "app/guiSettings.h"
#include "base/CodePage.h"

namespace {
// Design sizes: the client area of the window and the height of its two bars.
constexpr int ClientWidth = 441;
constexpr int ClientHeight = 200;
constexpr int PanelHeight = 34;
constexpr int LevelBarWidth = 17;

QFrame* NewPanel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setFixedHeight(PanelHeight);
    return panel;
}
} // namespace

TfrmParlet::TfrmParlet(TFFSKTranceiver& station)
    : FTransceiver(station)
{
    CreateControls();
    FFrmSettings = std::make_unique<TfrmSettings>(this, FTransceiver);
    FConnections.push_back(
        FTransceiver.OnInputLevel.Connect([this](TObject* sender, int level) { TranceiverInputLevel(sender, level); }));
    FConnections.push_back(FTransceiver.OnReceive.Connect(
        [this](TObject* sender, const TMessageRecord& record) { TranceiverReceive(sender, record); }));
    FConnections.push_back(FTransceiver.OnStatusChange.Connect(
        [this](TObject* sender, const TStationStatus& status) { TranceiverStatus(sender, status); }));
    TranceiverStatus(&FTransceiver, FTransceiver.Status());
}

TfrmParlet::~TfrmParlet() = default;

void TfrmParlet::CreateControls()
{
    setObjectName(QStringLiteral("frmParlet"));
    setWindowTitle(QStringLiteral("Parlet"));
    setFont(FormFont(11));
    resize(ClientWidth, ClientHeight);

    // Created in the order of the window's fields.
    FMemo1 = new TMemo(this);
    FMemo1->setObjectName(QStringLiteral("Memo1"));
    FMemo1->setReadOnly(true);
    FMemo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FMemo1->setFocusPolicy(Qt::StrongFocus);
    FMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo1->setFont(FormFont(13));

    FPanel1 = NewPanel(this);
    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FEdit1 = new QLineEdit(FPanel1);
    FEdit1->setObjectName(QStringLiteral("Edit1"));
    Anchor(FEdit1, QRect(8, 6, 344, 21), QSize(ClientWidth, PanelHeight), akLeft | akTop | akRight);
    FBtnSend = new QPushButton(UiText("Send"), FPanel1);
    FBtnSend->setObjectName(QStringLiteral("btnSend"));
    FBtnSend->setAutoDefault(false);
    // Never the keyboard's: a space typed after a click must not send.
    FBtnSend->setFocusPolicy(Qt::NoFocus);
    Anchor(FBtnSend, QRect(359, 4, 75, 25), QSize(ClientWidth, PanelHeight), akRight | akBottom);

    FPrbLevelIn = new TAdvProgress(this);
    FPrbLevelIn->setObjectName(QStringLiteral("prbLevelIn"));
    FPrbLevelIn->setOrientation(Qt::Vertical);
    FPrbLevelIn->setRange(0, 100);
    FPrbLevelIn->setValue(0);
    FPrbLevelIn->SetBorderWidth(2);
    FPrbLevelIn->SetBarColor(TColor::Highlight());
    FPrbLevelIn->SetBkColor(TColor::Window());
    FPrbLevelIn->setFixedWidth(LevelBarWidth);

    FPanel2 = NewPanel(this);
    FPanel2->setObjectName(QStringLiteral("Panel2"));
    FBtnSettings = new QPushButton(UiText("Settings"), FPanel2);
    FBtnSettings->setObjectName(QStringLiteral("btnSettings"));
    FBtnSettings->setAutoDefault(false);
    Anchor(FBtnSettings, QRect(8, 4, 75, 25), QSize(ClientWidth, PanelHeight), akLeft | akTop);
    FBtnAbout = new QPushButton(UiText("About"), FPanel2);
    FBtnAbout->setObjectName(QStringLiteral("btnAbout"));
    FBtnAbout->setAutoDefault(false);
    Anchor(FBtnAbout, QRect(91, 4, 75, 25), QSize(ClientWidth, PanelHeight), akLeft | akTop);
    FLblStatus = new QLabel(FPanel2);
    FLblStatus->setObjectName(QStringLiteral("lblStatus"));
    FLblStatus->setStyleSheet(QStringLiteral("color: #b00000;"));
    FLblStatus->hide();
    Anchor(FLblStatus, QRect(174, 4, 259, 25), QSize(ClientWidth, PanelHeight), akLeft | akTop | akRight);

    ArrangeControls();

    connect(FBtnSend, &QPushButton::clicked, this, GuardedSlot([this] { btnSendClick(); }));
    connect(FEdit1, &QLineEdit::returnPressed, this, GuardedSlot([this] { Edit1ReturnPressed(); }));
    connect(FBtnSettings, &QPushButton::clicked, this, GuardedSlot([this] { btnSettingsClick(); }));
    connect(FBtnAbout, &QPushButton::clicked, this, GuardedSlot([this] { btnAboutClick(); }));
}

// Top bar, then the level bar and the log side by side, then the bottom bar;
// the keyboard walks from the log to the line, Send, Settings and About.
void TfrmParlet::ArrangeControls()
{
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    middle->addWidget(FPrbLevelIn);
    middle->addWidget(FMemo1, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(FPanel2);
    column->addLayout(middle, 1);
    column->addWidget(FPanel1);

    setTabOrder(FMemo1, FEdit1);
    setTabOrder(FEdit1, FBtnSettings);
    setTabOrder(FBtnSettings, FBtnAbout);
    FPrbLevelIn->setFocusPolicy(Qt::NoFocus);
    // Typing goes to the message line from the start.
    FEdit1->setFocus();
}

void TfrmParlet::btnSendClick()
{
    FTransceiver.SendText(Utf8ToCp1252(FEdit1->text().toStdString()));
    FEdit1->clear();
    FEdit1->setFocus();
}

void TfrmParlet::Edit1ReturnPressed()
{
    if (!FEdit1->text().isEmpty()) btnSendClick();
}

void TfrmParlet::btnSettingsClick()
{
    FFrmSettings->show();
    FFrmSettings->raise();
    FFrmSettings->activateWindow();
}

void TfrmParlet::btnAboutClick()
{
    OnAbout(this);
}

void TfrmParlet::TranceiverInputLevel(TObject*, int level)
{
    FPrbLevelIn->setValue(std::clamp(level, FPrbLevelIn->minimum(), FPrbLevelIn->maximum()));
    // Red above 90; back to the highlight colour only below 70, so the bar
    // stays red for a while after a peak.
    if (level > 90)
        FPrbLevelIn->SetBarColor(TColor::Rgb(255, 0, 0));
    else if (level < 70)
        FPrbLevelIn->SetBarColor(TColor::Highlight());
}

void TfrmParlet::TranceiverReceive(TObject*, const TMessageRecord& record)
{
    // Every heard message brings the window up, whatever its kind.
    if (!record.IsSent()) ComeForward();
    const std::vector<TLogLine> lines = LogLinesOf(record);
    if (lines.empty()) return;
    while (FMemo1->LineCount() > MaxLogLines) FMemo1->DeleteFirstLine();
    for (const TLogLine& line : lines) FMemo1->AddLine(line.Text, line.Marked, DoubtTip());
}

void TfrmParlet::TranceiverStatus(TObject*, const TStationStatus& status)
{
    QStringList problems;
    if (status.OutputLost) problems << UiText("Sending will fail: %1").arg(QString::fromStdString(status.OutputReason));
    if (status.InputLost) problems << UiText("Nothing is heard: %1").arg(QString::fromStdString(status.InputReason));
    const QString text = problems.join(QStringLiteral("; "));
    FLblStatus->setText(text);
    FLblStatus->setToolTip(text);
    FLblStatus->setVisible(!problems.isEmpty());
}

void TfrmParlet::ComeForward()
{
    // Shown without activation, so a program the operator types into keeps
    // the keyboard; where the desktop refuses to raise such a window, the
    // notification says that a message came.
    setAttribute(Qt::WA_ShowWithoutActivating, !isActiveWindow());
    if (isMinimized()) showNormal();
    show();
    raise();
}
