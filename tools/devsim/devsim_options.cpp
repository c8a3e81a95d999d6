#include "devsim_options.h"

#include "bc_protocol.h"

#include <charconv>
#include <iterator>
#include <limits>
#include <system_error>

namespace {

constexpr std::size_t DEFAULT_SHORT_LENGTH = 21;
constexpr std::size_t DEFAULT_OVERSIZED_LENGTH = 1501;
constexpr std::size_t MAX_UDP_PAYLOAD = 65507;
constexpr int DEFAULT_COPIES = 2;
constexpr int MAX_COPIES = 100;

std::optional<std::uint64_t> ParseWholeNumber(const std::string& text, std::uint64_t low,
                                              std::uint64_t high)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    if (text.empty() || status != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string NumberError(const std::string& what, const std::string& text, std::uint64_t low,
                        std::uint64_t high)
{
    return what + " needs a whole number from " + std::to_string(low) + " to "
           + std::to_string(high) + ", not '" + text + "'";
}

template <typename Number>
bool SetNumber(const char* option, const std::string& text, std::uint64_t low, std::uint64_t high,
               Number* out, std::string* error)
{
    const std::optional<std::uint64_t> value = ParseWholeNumber(text, low, high);
    if (!value) {
        *error = NumberError(option, text, low, high);
        return false;
    }
    *out = static_cast<Number>(*value);
    return true;
}

// A fault's "=VALUE" part, or its default when there is none.
std::optional<std::uint64_t> FaultNumber(const std::string& mode,
                                         const std::optional<std::string>& text,
                                         std::uint64_t fallback, std::uint64_t low,
                                         std::uint64_t high, std::string* error)
{
    if (!text)
        return fallback;
    const std::optional<std::uint64_t> value = ParseWholeNumber(*text, low, high);
    if (!value)
        *error = NumberError("--fault " + mode, *text, low, high);
    return value;
}

bool AddFault(const std::string& text, DevsimFaults& faults, std::string* error)
{
    const std::size_t equals = text.find('=');
    const std::string mode = text.substr(0, equals);
    std::optional<std::string> value;
    if (equals != std::string::npos)
        value = text.substr(equals + 1);

    if (mode == "unknown-cmd" || mode == "ignore" || mode == "long-version") {
        if (value) {
            *error = "--fault " + mode + " takes no value";
            return false;
        }
        if (mode == "unknown-cmd")
            faults.unknownCommand = true;
        else if (mode == "ignore")
            faults.ignoreCommand = true;
        else
            faults.longVersion = true;
        return true;
    }
    std::optional<std::uint64_t> number;
    if (mode == "short") {
        number =
            FaultNumber(mode, value, DEFAULT_SHORT_LENGTH, 0, BC_DEVINFO_REPLY_SIZE - 1, error);
        if (number)
            faults.shortLength = *number;
    } else if (mode == "oversized") {
        number = FaultNumber(mode, value, DEFAULT_OVERSIZED_LENGTH, BC_DEVINFO_REPLY_SIZE + 1,
                             MAX_UDP_PAYLOAD, error);
        if (number)
            faults.oversizedLength = *number;
    } else if (mode == "duplicate") {
        number = FaultNumber(mode, value, DEFAULT_COPIES, 2, MAX_COPIES, error);
        if (number)
            faults.copies = static_cast<int>(*number);
    } else {
        *error = "unknown fault '" + text
                 + "' (modes: unknown-cmd, ignore, short[=LEN], oversized[=LEN], duplicate[=N], "
                   "long-version)";
        return false;
    }
    return number.has_value();
}

using Setter = bool (*)(const std::string& value, DevsimOptions& options, std::string* error);

template <auto Field>
bool SetText(const std::string& value, DevsimOptions& options, std::string*)
{
    options.*Field = value;
    return true;
}

template <auto Field>
bool SetFlag(const std::string&, DevsimOptions& options, std::string*)
{
    options.*Field = true;
    return true;
}

bool SetSeed(const std::string& value, DevsimOptions& options, std::string* error)
{
    std::uint64_t seed = 0;
    if (!SetNumber("--seed", value, 0, std::numeric_limits<std::uint64_t>::max(), &seed, error))
        return false;
    options.seed = seed;
    return true;
}

struct KnownOption {
    const char* longName = nullptr;
    char shortName = '\0';
    bool takesValue = false;
    Setter set = nullptr; // none for --help
};

const KnownOption OPTIONS[] = {
    {"count", 'n', true,
     [](const std::string& v, DevsimOptions& o, std::string* e) {
         return SetNumber("--count", v, 1, DEVSIM_MAX_COUNT, &o.count, e);
     }},
    {"mac", '\0', true, SetText<&DevsimOptions::mac>},
    {"ip", '\0', true, SetText<&DevsimOptions::ip>},
    {"gateway", '\0', true, SetText<&DevsimOptions::gateway>},
    {"port", '\0', true, SetText<&DevsimOptions::port>},
    {"chn", '\0', true, SetText<&DevsimOptions::chn>},
    {"gbk", '\0', false, SetFlag<&DevsimOptions::gbk>},
    {"version", '\0', true, SetText<&DevsimOptions::version>},
    {"broadcast-reply", '\0', false, SetFlag<&DevsimOptions::broadcastReply>},
    {"delay", '\0', true,
     [](const std::string& v, DevsimOptions& o, std::string* e) {
         return SetNumber("--delay", v, 0, DEVSIM_MAX_DELAY_MS, &o.delayMs, e);
     }},
    {"jitter", '\0', true,
     [](const std::string& v, DevsimOptions& o, std::string* e) {
         return SetNumber("--jitter", v, 0, DEVSIM_MAX_DELAY_MS, &o.jitterMs, e);
     }},
    {"seed", '\0', true, SetSeed},
    {"fault", '\0', true,
     [](const std::string& v, DevsimOptions& o, std::string* e) {
         return AddFault(v, o.faults, e);
     }},
    {"verbose", '\0', false, SetFlag<&DevsimOptions::verbose>},
    {"help", 'h', false, nullptr},
};

const KnownOption* FindOption(const std::string& longName, char shortName)
{
    for (const KnownOption& known : OPTIONS) {
        if (shortName != '\0' ? known.shortName == shortName : longName == known.longName)
            return &known;
    }
    return nullptr;
}

std::string FaultConflict(const DevsimFaults& faults)
{
    if (faults.unknownCommand && faults.ignoreCommand)
        return "--fault unknown-cmd and --fault ignore cannot be combined";
    if (faults.shortLength && faults.oversizedLength)
        return "--fault short and --fault oversized cannot be combined";
    return std::string();
}

} // namespace

DevsimCommandLine ParseDevsimCommandLine(const std::vector<std::string>& arguments)
{
    DevsimCommandLine result;
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        const std::string& text = *argument;
        const KnownOption* known = nullptr;
        std::string shownName;
        std::optional<std::string> attachedValue;
        if (text.size() > 2 && text.compare(0, 2, "--") == 0) {
            const std::size_t equals = text.find('=');
            shownName = text.substr(0, equals);
            if (equals != std::string::npos)
                attachedValue = text.substr(equals + 1);
            known = FindOption(shownName.substr(2), '\0');
        } else if (text.size() >= 2 && text[0] == '-' && text[1] != '-') {
            shownName = text.substr(0, 2);
            if (text.size() > 2)
                attachedValue = text.substr(2);
            known = FindOption(std::string(), text[1]);
        } else {
            result.error = "unexpected argument '" + text + "'";
            return result;
        }

        if (!known || (attachedValue && shownName.size() == 2 && !known->takesValue)) {
            result.error = "unknown option '" + text + "'";
            return result;
        }
        if (attachedValue && !known->takesValue) {
            result.error = "option '" + shownName + "' takes no value";
            return result;
        }
        if (!known->set) {
            result.showHelp = true;
            return result;
        }
        std::string value;
        if (attachedValue) {
            value = *attachedValue;
        } else if (known->takesValue) {
            if (std::next(argument) == arguments.end()) {
                result.error = "option '" + shownName + "' needs a value";
                return result;
            }
            value = *++argument;
        }
        if (!known->set(value, result.options, &result.error))
            return result;
    }
    result.error = FaultConflict(result.options.faults);
    return result;
}

std::string DevsimUsage()
{
    return R"(Usage: quenlo-devsim [OPTIONS]
Plays one or many networked devices for discovery tests. Listens on UDP
0.0.0.0:6060 (shared with other simulators on the same host) and answers every
valid 52-byte search request with one device-info reply per device, sent to the
requester's address on port 6061. Other datagrams are ignored.

Devices:
  -n, --count N        devices to play, 1..1000 (default 1)
      --mac TEXT       MAC text of the first device (default 00:11:22:33:44:01).
                       With more than one device it must be six hex octets
                       separated by ':' or '-'; later devices count up from it,
                       written with the same separator and letter case.
      --ip TEXT        IP text of the first device (default 192.168.1.64). With
                       more than one device it must be a dotted IPv4 address;
                       later devices count up from it.
      --gateway TEXT   gateway text of every device (default: the first IP with
                       its last octet set to 1, or empty when it is no address)
      --port TEXT      port text of every device (default 80)
      --chn TEXT       channel name, in UTF-8; every {n} becomes the device's
                       number, counted from 1 (default CH{n})
      --gbk            send the channel names encoded in GBK instead of UTF-8
      --version TEXT   version text; {n} as for --chn (default V1.0.0)
  With one device every text is sent as given. Each text must fit its field
  (mac 20, ip 16, gateway 16, chn 10, port 6, version 40 bytes); one that fills
  its field exactly is sent without a terminating NUL.

Replies:
      --broadcast-reply
                       send the replies to 255.255.255.255:6061 instead of to
                       the requester, as a device on a foreign subnet does
      --delay MS       send each reply MS milliseconds after the request,
                       0..3600000 (default 0)
      --jitter MS      add a random 0..MS milliseconds to each reply's delay,
                       0..3600000 (default 0)
      --seed N         seed the jitter so that a run can be repeated
      --fault MODE     damage the replies; may be given more than once:
                         unknown-cmd      command byte 0x55 instead of 0x0A
                         ignore           command byte 0x0B
                         short[=LEN]      cut to LEN bytes, 0..306 (default 21)
                         oversized[=LEN]  zero-padded to LEN bytes, 308..65507
                                          (default 1501)
                         duplicate[=N]    each reply sent N times in a row,
                                          2..100 (default 2)
                         long-version     a 40-character version, no NUL
                       unknown-cmd and ignore exclude each other, and so do
                       short and oversized.

Other:
      --verbose        log each request heard and each reply sent to stderr
  -h, --help           show this help and exit

Once listening it prints "quenlo-devsim: playing N device(s) on port 6060".
SIGINT or SIGTERM ends it with status 0; pending replies are dropped.
It runs only inside a private network namespace (status 3 elsewhere). Exit
status 2 means a bad option, 1 that port 6060 could not be bound.
)";
}
