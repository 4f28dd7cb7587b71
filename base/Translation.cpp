#include "Translation.h"

#include <clocale>
#include <cstdlib>
#include <libintl.h>
#include <mutex>
#include <set>

#include "InstalledFolders.h"

namespace {

struct TCatalogues {
    std::mutex mutex;
    std::string root;
    bool initialised = false;
    std::set<std::string> bound;
};

TCatalogues& Catalogues()
{
    static TCatalogues catalogues;
    return catalogues;
}

// The language part of a locale name: "de_DE.UTF-8@euro" -> "de_DE".
std::string LanguageOf(const std::string& locale)
{
    return locale.substr(0, locale.find_first_of(".@"));
}

void Initialise(TCatalogues& c)
{
    if (c.initialised) return;
    c.initialised = true;
    if (c.root.empty()) c.root = LocalOrInstalled("locale", InstalledLocaleFolder());

    const char* lang = std::getenv("LANG");
    std::string language = lang && *lang ? LanguageOf(lang) : std::string();
    if (language.empty()) {
        const char* user = std::setlocale(LC_MESSAGES, "");
        if (user) language = LanguageOf(user);
    }
    // gettext only consults LANGUAGE when the message locale is not "C"; a
    // language whose system locale is missing is reached through the always
    // present C.UTF-8 locale.
    if (!std::setlocale(LC_MESSAGES, "")) std::setlocale(LC_MESSAGES, "C.UTF-8");
    const char* messages = std::setlocale(LC_MESSAGES, nullptr);
    if (messages && std::string(messages) == "C") std::setlocale(LC_MESSAGES, "C.UTF-8");
    if (!language.empty() && language != "C" && language != "POSIX") setenv("LANGUAGE", language.c_str(), 1);
}

} // namespace

void SetLocaleRoot(const std::string& folder)
{
    TCatalogues& c = Catalogues();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.root = folder;
    c.bound.clear();
}

std::string Translate(const std::string& domain, const std::string& message)
{
    TCatalogues& c = Catalogues();
    std::lock_guard<std::mutex> lock(c.mutex);
    Initialise(c);
    if (c.bound.insert(domain).second) {
        bindtextdomain(domain.c_str(), c.root.c_str());
        bind_textdomain_codeset(domain.c_str(), "UTF-8");
    }
    return dgettext(domain.c_str(), message.c_str());
}

std::string Translated(const char* english)
{
    return Translate("default", english);
}

std::string Translated(const char* english, std::initializer_list<std::string> values)
{
    const std::string format = Translated(english);
    std::string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        const std::size_t index = static_cast<std::size_t>(next - '1');
        if (format[i] == '%' && next >= '1' && next <= '9' && index < values.size()) {
            text += *(values.begin() + index);
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}
