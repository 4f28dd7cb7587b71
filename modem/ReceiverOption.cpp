#include "ReceiverOption.h"

namespace {
constexpr std::string_view Option = "--receiver";
} // namespace

TDetectorKind ReceiverNamed(const std::string& Name)
{
    const auto kind = ParseDetectorKind(Name);
    if (!kind) throw EReceiverOption("unknown receiver \"" + Name + "\" (use classic or soft)");
    return *kind;
}

std::optional<TDetectorKind> TakeReceiverOption(std::vector<std::string>& Args)
{
    std::optional<TDetectorKind> kind;
    for (std::size_t i = 0; i < Args.size();) {
        std::string name;
        if (Args[i] == Option) {
            if (i + 1 >= Args.size()) throw EReceiverOption("--receiver needs a name: classic or soft");
            name = Args[i + 1];
            Args.erase(
                Args.begin() + static_cast<std::ptrdiff_t>(i), Args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else if (Args[i].starts_with(std::string(Option) + "=")) {
            name = Args[i].substr(Option.size() + 1);
            Args.erase(Args.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
            continue;
        }
        kind = ReceiverNamed(name);
    }
    return kind;
}
