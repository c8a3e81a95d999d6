#include "devsim_options.h"

#include "bc_protocol.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>
#include <tuple>

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

std::string NumberError(const std::string& text, std::uint64_t low, std::uint64_t high)
{
    return "needs a whole number from " + std::to_string(low) + " to "
           + std::to_string(high) + ", not '" + text + "'";
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
        *error = "--fault " + mode + " " + NumberError(*text, low, high);
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

std::string FaultConflict(const DevsimFaults& faults)
{
    if (faults.unknownCommand && faults.ignoreCommand)
        return "--fault unknown-cmd and --fault ignore cannot be combined";
    if (faults.shortLength && faults.oversizedLength)
        return "--fault short and --fault oversized cannot be combined";
    return std::string();
}

constexpr const char* DESCRIPTION =
    "Plays one or many networked devices for discovery tests. Listens on UDP\n"
    "0.0.0.0:6060 (shared with other simulators on the same host) and answers every\n"
    "valid 52-byte search request with one device-info reply per device, sent to the\n"
    "requester's address on port 6061. Other datagrams are ignored.";

constexpr const char* NOTES = R"(
With one device every text is sent as given. Each text must fit its field
(mac 20, ip 16, gateway 16, chn 10, port 6, version 40 bytes); one that fills
its field exactly is sent without a terminating NUL.

Fault modes (--fault, may be given more than once):
  unknown-cmd      command byte 0x55 instead of 0x0A
  ignore           command byte 0x0B
  short[=LEN]      cut to LEN bytes, 0..306 (default 21)
  oversized[=LEN]  zero-padded to LEN bytes, 308..65507 (default 1501)
  duplicate[=N]    each reply sent N times in a row, 2..100 (default 2)
  long-version     a 40-character version, no NUL
unknown-cmd and ignore exclude each other, and so do short and oversized.

Once listening it prints "quenlo-devsim: playing N device(s) on port 6060".
SIGINT or SIGTERM ends it with status 0; pending replies are dropped.
It runs only inside a private network namespace (status 3 elsewhere). Exit
status 2 means a bad option, 1 that port 6060 could not be bound.)";

// Takes a whole decimal number from low to high and hands it on in plain digits, which the
// parser's own conversion (it also reads octal and hex) cannot misread.
CLI::Validator WholeNumber(std::uint64_t low, std::uint64_t high)
{
    return CLI::Validator(
        [low, high](std::string& text) {
            const std::optional<std::uint64_t> value = ParseWholeNumber(text, low, high);
            if (!value)
                return NumberError(text, low, high);
            text = std::to_string(*value);
            return std::string();
        },
        "");
}

// The simulator's options on a parser, each bound to where its value goes; the --fault texts are
// collected as given, for AddFault to read.
void DescribeOptions(CLI::App& app, DevsimOptions& options, std::vector<std::string>& faults)
{
    app.footer(NOTES);
    app.get_formatter()->column_width(24);
    // An option given twice takes its last value, as before.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Added again last, so that it is listed last.
    app.set_help_flag();

    const std::string devices = "Devices";
    app.add_option("-n,--count", options.count, "devices to play, 1..10000 (default 1)")
        ->type_name("N")
        ->transform(WholeNumber(1, DEVSIM_MAX_COUNT))
        ->group(devices);
    app.add_option("--mac", options.mac,
                   "MAC text of the first device (default 00:11:22:33:44:01).\n"
                   "With more than one device it must be six hex octets\n"
                   "separated by ':' or '-'; later devices count up from it,\n"
                   "written with the same separator and letter case.")
        ->type_name("TEXT")
        ->group(devices);
    app.add_option("--ip", options.ip,
                   "IP text of the first device (default 192.168.1.64). With\n"
                   "more than one device it must be a dotted IPv4 address;\n"
                   "later devices count up from it.")
        ->type_name("TEXT")
        ->group(devices);
    app.add_option_function<std::string>(
           "--gateway", [&options](const std::string& text) { options.gateway = text; },
           "gateway text of every device (default: the first IP with\n"
           "its last octet set to 1, or empty when it is no address)")
        ->type_name("TEXT")
        ->group(devices);
    app.add_option("--port", options.port, "port text of every device (default 80)")
        ->type_name("TEXT")
        ->group(devices);
    app.add_option("--chn", options.chn,
                   "channel name, in UTF-8; every {n} becomes the device's\n"
                   "number, counted from 1 (default CH{n})")
        ->type_name("TEXT")
        ->group(devices);
    app.add_flag("--gbk", options.gbk, "send the channel names encoded in GBK instead of UTF-8")
        ->group(devices);
    app.add_option("--version", options.version, "version text; {n} as for --chn (default V1.0.0)")
        ->type_name("TEXT")
        ->group(devices);

    const std::string replies = "Replies";
    app.add_flag("--broadcast-reply", options.broadcastReply,
                 "send the replies to 255.255.255.255:6061 instead of to\n"
                 "the requester, as a device on a foreign subnet does")
        ->group(replies);
    for (const auto& [name, field, description] :
         {std::tuple("--delay", &options.delayMs,
                     "send each reply MS milliseconds after the request,"),
          std::tuple("--jitter", &options.jitterMs,
                     "add a random 0..MS milliseconds to each reply's delay,")}) {
        app.add_option(name, *field, std::string(description) + "\n0..3600000 (default 0)")
            ->type_name("MS")
            ->transform(WholeNumber(0, DEVSIM_MAX_DELAY_MS))
            ->group(replies);
    }
    app.add_option_function<std::uint64_t>(
           "--seed", [&options](std::uint64_t seed) { options.seed = seed; },
           "seed the jitter so that a run can be repeated")
        ->type_name("N")
        ->transform(WholeNumber(0, std::numeric_limits<std::uint64_t>::max()))
        ->group(replies);
    app.add_option("--fault", faults, "damage the replies (modes below)")
        ->type_name("MODE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group(replies);

    app.add_flag("--verbose", options.verbose,
                 "log each request heard and each reply sent to stderr")
        ->group("Other");
    app.set_help_flag("-h,--help", "show this help and exit")->group("Other");
}

} // namespace

DevsimCommandLine ParseDevsimCommandLine(const std::vector<std::string>& arguments)
{
    DevsimCommandLine result;
    std::vector<std::string> faults;
    CLI::App app(DESCRIPTION, DEVSIM_PROGRAM);
    DescribeOptions(app, result.options, faults);
    try {
        // The parser takes the arguments last first.
        app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    } catch (const CLI::CallForHelp&) {
        result.showHelp = true;
        return result;
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
        return result;
    }
    for (const std::string& fault : faults) {
        if (!AddFault(fault, result.options.faults, &result.error))
            return result;
    }
    result.error = FaultConflict(result.options.faults);
    return result;
}

std::string DevsimUsage()
{
    DevsimOptions options;
    std::vector<std::string> faults;
    CLI::App app(DESCRIPTION, DEVSIM_PROGRAM);
    DescribeOptions(app, options, faults);
    return app.help();
}
