#include "DesktopBinding.h"

#include "app/Cp1252Text.h"
#include "app/DesktopNotifier.h"
#include "app/HistoryRecord.h"
#include "app/UiText.h"
#include "app/guiParlet.h"
#include "desktop/MessageHistory.h"
#include "station/untFFSKTranceiver.h"

namespace {
void BringForward(QWidget& window)
{
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}
} // namespace

TDesktopBinding::TDesktopBinding(
    TFFSKTranceiver& station, TfrmParlet& form, TMessageHistory& history, const QDBusConnection& bus, TAboutFacts about)
    : FForm(form)
    , FHistory(history)
    , FNotifier(
          std::make_unique<TDesktopNotifier>(bus, QString::fromLatin1(DesktopEntry), [&form] { BringForward(form); }))
    , FMessages(station.OnReceive.Connect([this](TObject*, const TMessageRecord& record) { Record(record); }))
    , FAbout(form.OnAbout.Connect([about](QWidget* sender) { ShowAboutBox(sender, about); }))
{
}

TDesktopBinding::~TDesktopBinding() = default;

void TDesktopBinding::Record(const TMessageRecord& record)
{
    AppendToHistory(FHistory, record);
    const TMessageText& message = record.Message;
    if (record.IsSent()) {
        if (record.State == TSendState::Failed) FNotifier->NotifyReceived(UiText("Not sent"), FromCp1252(message.Text));
        return;
    }
    if (record.Type != TMessageType::Sms || FForm.isActiveWindow()) return;
    QString title = FromCp1252(message.Sender);
    if (record.Damaged()) title += QLatin1Char(' ') + UiText("(damaged)");
    FNotifier->NotifyReceived(title, FromCp1252(message.Text));
}
