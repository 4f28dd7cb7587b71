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
#include "app/guiSettings.h"
#include "base/CodePage.h"

namespace {
// Design sizes: the client area of the window and the height of its two bars.
constexpr int ClientWidth = 441;
constexpr int ClientHeight = 200;
constexpr int PanelHeight = 34;
constexpr int LevelBarWidth = 17;

// A received line shows up to its first 0x00 (the fill of the last block),
// its bytes read as Windows-1252.
QString LogText(const std::string& bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes.substr(0, bytes.find('\0'))));
}

QFrame* NewPanel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setFixedHeight(PanelHeight);
    return panel;
}
}

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
    btnSend_ = new QPushButton(QStringLiteral("Send"), Panel1_);
    btnSend_->setObjectName(QStringLiteral("btnSend"));
    btnSend_->setAutoDefault(false);
    Anchor(btnSend_, QRect(359, 4, 75, 25), QSize(ClientWidth, PanelHeight), akRight | akBottom);

    prbLevelIn_ = new TAdvProgress(this);
    prbLevelIn_->setObjectName(QStringLiteral("prbLevelIn"));
    prbLevelIn_->setOrientation(Qt::Vertical);
    prbLevelIn_->setRange(0, 100);
    prbLevelIn_->setValue(0);
    prbLevelIn_->SetBorderWidth(2);
    prbLevelIn_->SetBarColor(TColor::Highlight());
    prbLevelIn_->SetBkColor(TColor::Window());
    prbLevelIn_->setFixedWidth(LevelBarWidth);

    Panel2_ = NewPanel(this);
    Panel2_->setObjectName(QStringLiteral("Panel2"));
    btnSettings_ = new QPushButton(QStringLiteral("Settings"), Panel2_);
    btnSettings_->setObjectName(QStringLiteral("btnSettings"));
    btnSettings_->setAutoDefault(false);
    Anchor(btnSettings_, QRect(8, 4, 75, 25), QSize(ClientWidth, PanelHeight), akLeft | akTop);

    // Top bar, then the level bar and the log side by side, then the bottom bar.
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    middle->addWidget(prbLevelIn_);
    middle->addWidget(Memo1_, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel2_);
    column->addLayout(middle, 1);
    column->addWidget(Panel1_);

    setTabOrder(Memo1_, Edit1_);
    setTabOrder(Edit1_, btnSend_);
    setTabOrder(btnSend_, btnSettings_);
    prbLevelIn_->setFocusPolicy(Qt::NoFocus);

    connect(btnSend_, &QPushButton::clicked, this, GuardedSlot([this] { btnSendClick(); }));
    connect(btnSettings_, &QPushButton::clicked, this, GuardedSlot([this] { btnSettingsClick(); }));
}

void TfrmParlet::FormCreate(const TStationPlatform& platform, const std::string& settingsFile)
{
    transceiver_ = std::make_unique<TFFSKTranceiver>(platform, settingsFile);
    transceiver_->OnInputLevel = [this](TObject* Sender, int Level) { TranceiverInputLevel(Sender, Level); };
    transceiver_->OnReceive = [this](TObject* Sender, bool MessIsSMS, const std::string& RxString) {
        TranceiverReceive(Sender, MessIsSMS, RxString);
    };
    frmSettings_ = std::make_unique<TfrmSettings>(this, *transceiver_);
}

void TfrmParlet::FormDestroy()
{
    // The transceiver may still raise events while it closes its streams;
    // the window no longer shows them.
    transceiver_->OnInputLevel = nullptr;
    transceiver_->OnReceive = nullptr;
    frmSettings_.reset();
    transceiver_.reset();
}

void TfrmParlet::btnSendClick()
{
    const std::string text = Utf8ToCp1252(Edit1_->text().toStdString());
    transceiver_->SendText(text);
    Edit1_->clear();
}

void TfrmParlet::btnSettingsClick()
{
    frmSettings_->show();
    frmSettings_->raise();
    frmSettings_->activateWindow();
}

void TfrmParlet::TranceiverInputLevel(TObject*, int Level)
{
    prbLevelIn_->setValue(std::clamp(Level, prbLevelIn_->minimum(), prbLevelIn_->maximum()));
    // Red above 90; back to the highlight colour only below 70, so the bar
    // stays red for a while after a peak.
    if (Level > 90)
        prbLevelIn_->SetBarColor(TColor::Rgb(255, 0, 0));
    else if (Level < 70)
        prbLevelIn_->SetBarColor(TColor::Highlight());
}

void TfrmParlet::TranceiverReceive(TObject*, bool MessIsSMS, const std::string& RxString)
{
    // Every message brings the window up, whatever its kind.
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (!MessIsSMS) return;

    while (Memo1_->LineCount() > MaxLogLines) Memo1_->DeleteFirstLine();
    // "name>>text" is shown as the name, then ">text".
    const auto split = RxString.find(">>");
    if (split == std::string::npos) {
        Memo1_->AddLine(LogText(RxString));
        return;
    }
    Memo1_->AddLine(LogText(RxString.substr(0, split)));
    Memo1_->AddLine(LogText(RxString.substr(split + 1)));
}
