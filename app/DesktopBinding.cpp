#include "DesktopBinding.h"

#include "app/DesktopNotifier.h"
#include "app/guiParlet.h"
#include "base/CodePage.h"
#include "desktop/MessageHistory.h"

namespace {
// As the log shows it: up to the first 0x00, read as Windows-1252.
QString Shown(const std::string& bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes.substr(0, bytes.find('\0'))));
}

void BringForward(QWidget& window)
{
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}
} // namespace

TDesktopBinding::TDesktopBinding(
    TfrmParlet& form, TMessageHistory& history, const QDBusConnection& bus, TAboutFacts about)
    : FForm(form)
    , FNotifier(
          std::make_unique<TDesktopNotifier>(bus, QString::fromLatin1(DesktopEntry), [&form] { BringForward(form); }))
{
    form.OnMessageLogged = [this, &history](QWidget*, bool sent, const std::string& name, const std::string& text) {
        history.Append(sent, name, text);
        if (!sent && !FForm.isActiveWindow()) FNotifier->NotifyReceived(Shown(name), Shown(text));
    };
    form.OnAbout = [about](QWidget* sender) { ShowAboutBox(sender, about); };
}

TDesktopBinding::~TDesktopBinding()
{
    FForm.OnMessageLogged = nullptr;
    FForm.OnAbout = nullptr;
}
