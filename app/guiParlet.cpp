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
    Memo1_ = new TMemo(this);
    Memo1_->setObjectName(QStringLiteral("Memo1"));
    Memo1_->setReadOnly(true);
    Memo1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1_->setFocusPolicy(Qt::StrongFocus);
    Memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1_->setFont(FormFont(13));

    Panel1_ = NewPanel(this);
    Panel1_->setObjectName(QStringLiteral("Panel1"));
    Edit1_ = new QLineEdit(Panel1_);
    Edit1_->setObjectName(QStringLiteral("Edit1"));
    Anchor(Edit1_, QRect(8, 6, 344, 21), QSize(ClientWidth, PanelHeight), akLeft | akTop | akRight);
    FBtnSend = new QPushButton(UiText("Send"), Panel1_);
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

    Panel2_ = NewPanel(this);
    Panel2_->setObjectName(QStringLiteral("Panel2"));
    FBtnSettings = new QPushButton(UiText("Settings"), Panel2_);
    FBtnSettings->setObjectName(QStringLiteral("btnSettings"));
    FBtnSettings->setAutoDefault(false);
    Anchor(FBtnSettings, QRect(8, 4, 75, 25), QSize(ClientWidth, PanelHeight), akLeft | akTop);
    FBtnAbout = new QPushButton(UiText("About"), Panel2_);
    FBtnAbout->setObjectName(QStringLiteral("btnAbout"));
    FBtnAbout->setAutoDefault(false);
    Anchor(FBtnAbout, QRect(91, 4, 75, 25), QSize(ClientWidth, PanelHeight), akLeft | akTop);

    // Top bar, then the level bar and the log side by side, then the bottom bar.
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    middle->addWidget(FPrbLevelIn);
    middle->addWidget(Memo1_, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel2_);
    column->addLayout(middle, 1);
    column->addWidget(Panel1_);

    setTabOrder(Memo1_, Edit1_);
    setTabOrder(Edit1_, FBtnSend);
    setTabOrder(FBtnSend, FBtnSettings);
    setTabOrder(FBtnSettings, FBtnAbout);
    FPrbLevelIn->setFocusPolicy(Qt::NoFocus);

    connect(FBtnSend, &QPushButton::clicked, this, GuardedSlot([this] { btnSendClick(); }));
    connect(FBtnSettings, &QPushButton::clicked, this, GuardedSlot([this] { btnSettingsClick(); }));
    connect(FBtnAbout, &QPushButton::clicked, this, GuardedSlot([this] { btnAboutClick(); }));
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
    const std::string text = Utf8ToCp1252(Edit1_->text().toStdString());
    {
        // The echo arrives within SendText, as a received message would.
        FSendingEcho = true;
        const TResetOnExit reset(FSendingEcho);
        FTransceiver->SendText(text);
    }
    Edit1_->clear();
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

    while (Memo1_->LineCount() > MaxLogLines) Memo1_->DeleteFirstLine();
    // "name>>text" is shown as the name, then ">text".
    const FFSKFrame::TMessageParts parts = FFSKFrame::SplitMessageBody(RxString);
    if (!parts.HasName) {
        Memo1_->AddLine(LogText(parts.Text));
        return;
    }
    Memo1_->AddLine(LogText(parts.Name));
    Memo1_->AddLine(LogText(">" + parts.Text));
}
