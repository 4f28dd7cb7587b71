#include "guiParlet.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/AdvProgr.h"
#include "app/Anchors.h"
#include "app/Fonts.h"
#include "app/GuardedSlot.h"
#include "app/Memo.h"
#include "app/UiText.h"
#include "app/guiSettings.h"
#include "base/CodePage.h"
#include "modem/FrameFormat.h"

namespace {
// Design sizes: the client area of the window and the height of its two bars.
constexpr int ClientWidth = 441;
constexpr int ClientHeight = 200;
constexpr int PanelHeight = 34;
constexpr int LevelBarWidth = 17;

// A received line's bytes read as Windows-1252.
QString LogText(const std::string& bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}

// Clears a flag however the block ends.
class TResetOnExit {
public:
    explicit TResetOnExit(bool& flag)
        : FFlag(flag)
    {
    }
    ~TResetOnExit() { FFlag = false; }
    TResetOnExit(const TResetOnExit&) = delete;
    TResetOnExit& operator=(const TResetOnExit&) = delete;

private:
    bool& FFlag;
};

QFrame* NewPanel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setFixedHeight(PanelHeight);
    return panel;
}
} // namespace

TfrmParlet::TfrmParlet(const TStationPlatform& platform, const std::string& settingsFile)
{
    CreateControls();
    FormCreate(platform, settingsFile);
}

TfrmParlet::~TfrmParlet()
{
    FormDestroy();
}

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

    ArrangeControls();

    connect(FBtnSend, &QPushButton::clicked, this, GuardedSlot([this] { btnSendClick(); }));
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
    setTabOrder(FEdit1, FBtnSend);
    setTabOrder(FBtnSend, FBtnSettings);
    setTabOrder(FBtnSettings, FBtnAbout);
    FPrbLevelIn->setFocusPolicy(Qt::NoFocus);
}

void TfrmParlet::FormCreate(const TStationPlatform& platform, const std::string& settingsFile)
{
    FTransceiver = std::make_unique<TFFSKTranceiver>(platform, settingsFile);
    FTransceiver->OnInputLevel = [this](TObject* Sender, int Level) { TranceiverInputLevel(Sender, Level); };
    FTransceiver->OnReceive = [this](TObject* Sender, bool MessIsSMS, const std::string& RxString) {
        TranceiverReceive(Sender, MessIsSMS, RxString);
    };
    FFrmSettings = std::make_unique<TfrmSettings>(this, *FTransceiver);
}

void TfrmParlet::FormDestroy()
{
    // The transceiver may still raise events while it closes its streams;
    // the window no longer shows them.
    FTransceiver->OnInputLevel = nullptr;
    FTransceiver->OnReceive = nullptr;
    FFrmSettings.reset();
    FTransceiver.reset();
}

void TfrmParlet::btnSendClick()
{
    const std::string text = Utf8ToCp1252(FEdit1->text().toStdString());
    {
        // The echo arrives within SendText, as a received message would.
        FSendingEcho = true;
        const TResetOnExit reset(FSendingEcho);
        FTransceiver->SendText(text);
    }
    FEdit1->clear();
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

void TfrmParlet::TranceiverInputLevel(TObject*, int Level)
{
    FPrbLevelIn->setValue(std::clamp(Level, FPrbLevelIn->minimum(), FPrbLevelIn->maximum()));
    // Red above 90; back to the highlight colour only below 70, so the bar
    // stays red for a while after a peak.
    if (Level > 90)
        FPrbLevelIn->SetBarColor(TColor::Rgb(255, 0, 0));
    else if (Level < 70)
        FPrbLevelIn->SetBarColor(TColor::Highlight());
}

void TfrmParlet::TranceiverReceive(TObject*, bool MessIsSMS, const std::string& RxString)
{
    // Told before the window comes forward, so a subscriber still sees
    // whether the operator was looking at it.
    if (MessIsSMS) {
        // Whole, fill included: the history keeps a 0x00 inside the text.
        const auto split = RxString.find(FFSKFrame::NameSeparator);
        const std::string name = split == std::string::npos ? std::string() : RxString.substr(0, split);
        const std::string text =
            split == std::string::npos ? RxString : RxString.substr(split + FFSKFrame::NameSeparator.size());
        OnMessageLogged(this, FSendingEcho, name, text);
    }
    // Every message brings the window up, whatever its kind.
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (!MessIsSMS) return;

    while (FMemo1->LineCount() > MaxLogLines) FMemo1->DeleteFirstLine();
    // "name>>text" is shown as the name, then ">text".
    const FFSKFrame::TMessageParts parts = FFSKFrame::SplitMessageBody(RxString);
    if (!parts.HasName) {
        FMemo1->AddLine(LogText(parts.Text));
        return;
    }
    FMemo1->AddLine(LogText(parts.Name));
    FMemo1->AddLine(LogText(">" + parts.Text));
}
