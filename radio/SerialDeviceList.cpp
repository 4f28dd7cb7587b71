#include "SerialDeviceList.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "base/Exceptions.h"
#include "base/Translation.h"

namespace fs = std::filesystem;

namespace {

// The resolved path, or empty for a link that leads nowhere.
std::string Resolved(const fs::path& path)
{
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? std::string() : target.string();
}

// The number after `prefix` in a name made of the prefix and digits only;
// -1 otherwise.
int NumberAfter(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) return -1;
    // "com03" is not a name the serial back end ever looks for.
    if (digits.size() > 1 && digits[0] == '0') return -1;
    return std::stoi(digits);
}

std::vector<fs::directory_entry> Entries(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    return entries;
}

// The kernel makes a ttyS node for every possible 8250 port; only those
// with a UART behind them have a type other than 0. Without the sysfs entry
// (a driver without it) the node is taken as real.
bool IsUart(const std::string& root, const std::string& name)
{
    std::ifstream type(root + "/sys/class/tty/" + name + "/type");
    int kind = 1;
    if (type) type >> kind;
    return kind != 0;
}

// The node's family, then its number: ttyACM1 before ttyACM10.
std::pair<std::string, int> NodeOrder(const std::string& node)
{
    const std::string name = fs::path(node).filename().string();
    const auto digits = name.find_first_of("0123456789");
    if (digits == std::string::npos) return {name, -1};
    return {name.substr(0, digits), NumberAfter(name, name.substr(0, digits))};
}

} // namespace

TSerialDeviceList::TSerialDeviceList(std::string root, std::string portsFolder)
    : FRoot(std::move(root))
    , FPortsFolder(std::move(portsFolder))
{
    while (!FRoot.empty() && FRoot.back() == '/') FRoot.pop_back();
}

std::vector<TSerialDevice> TSerialDeviceList::Devices() const
{
    std::vector<TSerialDevice> devices;
    std::set<std::string> nodes;
    for (const fs::directory_entry& entry : Entries(Dev() + "/serial/by-id")) {
        const std::string node = Resolved(entry.path());
        if (!node.empty() && nodes.insert(node).second) devices.push_back({entry.path().string(), node});
    }
    for (const fs::directory_entry& entry : Entries(Dev())) {
        const std::string name = entry.path().filename().string();
        const bool serial = NumberAfter(name, "ttyACM") >= 0 || NumberAfter(name, "ttyUSB") >= 0
            || (NumberAfter(name, "ttyS") >= 0 && IsUart(FRoot, name));
        if (!serial) continue;
        const std::string node = Resolved(entry.path());
        if (!node.empty() && nodes.insert(node).second) devices.push_back({entry.path().string(), node});
    }
    std::stable_sort(devices.begin(), devices.end(),
        [](const TSerialDevice& a, const TSerialDevice& b) { return NodeOrder(a.Node) < NodeOrder(b.Node); });
    return devices;
}

std::string TSerialDeviceList::LinkPath(int comNumber) const
{
    return (fs::path(FPortsFolder) / "ports" / ("com" + std::to_string(comNumber))).string();
}

bool TSerialDeviceList::IsEntry(int comNumber) const
{
    std::error_code error;
    return fs::symlink_status(LinkPath(comNumber), error).type() != fs::file_type::not_found && !error;
}

std::string TSerialDeviceList::NodeOf(int comNumber) const
{
    if (comNumber < 1) return {};
    if (IsEntry(comNumber)) return Resolved(LinkPath(comNumber));
    return Resolved(Dev() + "/ttyS" + std::to_string(comNumber - 1));
}

std::vector<int> TSerialDeviceList::LinkedNumbers() const
{
    std::vector<int> numbers;
    for (const fs::directory_entry& entry : Entries(fs::path(FPortsFolder) / "ports")) {
        const int number = NumberAfter(entry.path().filename().string(), "com");
        if (number >= 1) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

int TSerialDeviceList::ComNumberOf(const TSerialDevice& device) const
{
    for (const int number : LinkedNumbers())
        if (Resolved(LinkPath(number)) == device.Node) return number;
    // A ttyS is its own COM number unless a link has taken that number.
    const int port = NumberAfter(fs::path(device.Node).filename().string(), "ttyS");
    if (port >= 0 && Resolved(Dev() + "/ttyS" + std::to_string(port)) == device.Node && !IsEntry(port + 1))
        return port + 1;
    return 0;
}

int TSerialDeviceList::Assign(const TSerialDevice& device, int current) const
{
    if (const int own = ComNumberOf(device)) return own;
    std::set<std::string> real;
    for (const TSerialDevice& each : Devices()) real.insert(each.Node);
    std::error_code error;
    const bool currentIsLink = current >= 1 && fs::is_symlink(fs::symlink_status(LinkPath(current), error));
    // A number that stands for no serial port of the machine (a ttyS node
    // without a UART, or none) is free to take.
    const bool currentIsFree = current >= 1 && !IsEntry(current) && !real.count(NodeOf(current));
    int number = current;
    if (!currentIsLink && !currentIsFree) {
        // The lowest number no link and no real serial port holds.
        number = 1;
        while (IsEntry(number) || real.count(NodeOf(number))) ++number;
    }
    Link(number, device.Path);
    return number;
}

void TSerialDeviceList::Link(int comNumber, const std::string& target) const
{
    const fs::path link = LinkPath(comNumber);
    // Made beside and renamed over the old one, so the number never stands
    // for nothing while it changes.
    const fs::path fresh = link.parent_path() / (".com" + std::to_string(comNumber) + ".new");
    std::error_code error;
    fs::create_directories(link.parent_path(), error);
    if (!error) {
        fs::remove(fresh, error);
        fs::create_symlink(target, fresh, error);
    }
    if (!error) fs::rename(fresh, link, error);
    if (error) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        throw Exception(Translated("Cannot link %1 to %2: %3", {link.string(), target, error.message()}));
    }
}
