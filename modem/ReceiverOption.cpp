#include "ReceiverOption.h"

namespace {
constexpr std::string_view Option = "--receiver";
} // namespace

TDetectorKind ReceiverNamed(const std::string& name)
{
    const auto kind = ParseDetectorKind(name);
    if (!kind) throw EReceiverOption("unknown receiver \"" + name + "\" (use classic or soft)");
    return *kind;
}

std::optional<TDetectorKind> TakeReceiverOption(std::vector<std::string>& args)
{
    std::optional<TDetectorKind> kind;
    for (std::size_t i = 0; i < args.size();) {
        std::string name;
        if (args[i] == Option) {
            if (i + 1 >= args.size()) throw EReceiverOption("--receiver needs a name: classic or soft");
            name = args[i + 1];
            args.erase(
                args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else if (args[i].starts_with(std::string(Option) + "=")) {
            name = args[i].substr(Option.size() + 1);
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
            continue;
        }
        kind = ReceiverNamed(name);
    }
    return kind;
}
