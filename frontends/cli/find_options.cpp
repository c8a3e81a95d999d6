#include "find_options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <map>
#include <type_traits>

namespace {

// A day: long enough for any search a person or script waits for, short enough for the clock.
constexpr double MAX_SECONDS = 86400;

const std::map<std::string, OutputFormat> FORMATS = {
    {"table", OutputFormat::Table},
    {"tsv", OutputFormat::Tsv},
    {"csv", OutputFormat::Csv},
    {"json", OutputFormat::Json},
};

constexpr const char* DESCRIPTION =
    "Finds networked devices (cameras, encoders) on the local network segment, as\n"
    "the Quenlo window does: broadcasts a search request through every interface\n"
    "every 2 seconds and lists each device that answers once, in the order the\n"
    "devices were first heard.";

constexpr const char* NOTES = R"(
Formats: table (columns aligned for reading), tsv (one line per device, fields
separated by tabs), csv (a header line, then one line per device), json (one
object per line, with where each reply was heard and when). In table, tsv and
csv, control and formatting characters in device texts are shown as visible
symbols, and in tsv and csv a text beginning with = + - or @ gets a leading
apostrophe, so that no spreadsheet takes it for a formula. JSON carries the
texts exactly.

With --watch the search goes on until Ctrl+C (or -t), and each event is written
as it happens, one line each: the time (local, with milliseconds and the offset
from UTC: 2026-12-09T22:31:05.123+08:00), then the event: start (a search
begins: the devices listed after it are new to this search, not to the site),
new (a device is listed), changed (a listed device answers with other texts),
silent (it has not answered for three cycles), back (it answers again), full
(the list of 255 is full and more devices answer), lost (replies were lost in
the full receive queue). In JSON each line is an object with "time", "event"
and the device as its latest reply carried it; a changed one has its earlier
texts in "listed". Without --watch, standard error names the devices that
changed or went silent, and JSON gives each device's "first_heard" time.

Address plan: with --plan the devices are checked against the plan's MAC, chn,
ip, port and gateway columns, each by the texts it answered with last. One line
(json: one object) per device: first each planned device in plan order, then
each device heard that is not in the plan. After the texts come plan (the
verdict: as-planned, differs, silent, missing or not-in-plan), plan_line (the
plan's line) and plan_differences (each field as "ip PLANNED -> HEARD", joined by
"; "); json has "plan": {"verdict", "line", "differences"}. A missing device
shows the plan's texts; in json its device fields are null and the plan's
texts are under "plan"."planned". Each line of the plan that cannot be read is
named on stderr and skipped; a summary of the verdicts follows there.

Exit status: 0 at least one device found, 1 none, 2 a bad option, or a card
named by --interface that cannot search (the cards that can are listed), 3 the
reply port (UDP 6061) is in use, 4 no interface could send the search request,
5 the results could not be written, 6 the list was full and more devices
answered than it holds; 130, 129, 143 ended by SIGINT (Ctrl+C), SIGHUP or
SIGTERM, with the devices found so far printed. With --plan, 2 also when the
file cannot be read or is no address plan; 3 to 6 and the signals as above;
otherwise 0 when every planned device answered as planned and every line of the
plan was read, and 7 when a planned device is missing, answers otherwise or went
silent, or a line of the plan was skipped (devices not in the plan do not
count).)";

// Accepts a text that is a Number as a whole, and one that good holds for; otherwise says what
// the option needs. A whole number goes on in plain digits, since the parser's own conversion
// would read a leading 0 as octal.
template <class Number>
CLI::Validator Numeric(bool (*good)(Number), const char* needs)
{
    return CLI::Validator(
        [good, needs](std::string& text) {
            Number value{};
            const char* end = text.data() + text.size();
            const auto [stop, status] = std::from_chars(text.data(), end, value);
            if (status != std::errc() || stop != end || !good(value))
                return std::string(needs) + ", not '" + text + "'";
            if constexpr (std::is_integral_v<Number>)
                text = std::to_string(value);
            return std::string();
        },
        "");
}

} // namespace

FindCommandLine ParseFindCommandLine(int argc, const char* const* argv)
{
    FindCommandLine result;
    FindOptions& options = result.options;
    std::string format;

    CLI::App app(DESCRIPTION, FIND_PROGRAM);
    app.footer(NOTES);
    app.get_formatter()->column_width(26);
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Added again last, so that they are listed last.
    app.set_help_flag();

    app.add_option_function<double>(
           "-t,--time", [&options](double seconds) { options.seconds = seconds; },
           "how long to search, decimals allowed (default 3: two\n"
           "requests go out; with --watch until interrupted)")
        ->type_name("SECONDS")
        ->check(Numeric<double>(
            [](double seconds) { return seconds > 0 && seconds <= MAX_SECONDS; },
            "needs a number of seconds above 0 and at most 86400"));
    app.add_option_function<int>(
           "-n,--count", [&options](int count) { options.count = count; },
           "stop as soon as N devices are listed")
        ->type_name("N")
        ->transform(Numeric<int>([](int count) { return count >= 1; },
                                 "needs a whole number from 1 up"));
    app.add_option("--format", format,
                   "table, tsv, csv or json (default: table on a terminal,\n"
                   "tsv otherwise)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(FORMATS).description(""));
    app.add_flag("--excel", options.excel,
                 "CSV for spreadsheet programs: begins with a UTF-8 byte\n"
                 "order mark; implies --format csv");
    app.add_flag("--raw", options.raw,
                 "add each field's bytes as the device sent them, in hex");
    app.add_flag("--watch", options.watch,
                 "keep searching, and write each event as it happens");
    app.add_option("--interface", options.cards,
                   "search through the network card NAME alone, and list\n"
                   "only the devices heard on it; repeat it for more\n"
                   "cards (the names --interfaces shows)")
        ->type_name("NAME")
        ->check(CLI::Validator(
            [](const std::string& name) {
                return name.empty() ? std::string("needs the name of a network card")
                                    : std::string();
            },
            ""));
    app.add_flag("--interfaces", options.interfaces,
                 "list the network cards the search used instead: each\n"
                 "one's addresses, whether the request went out through\n"
                 "it, and how many devices answered on it");
    app.add_option_function<std::string>(
           "--plan", [&options](const std::string& file) { options.plan = file; },
           "check the devices against the address plan in FILE\n"
           "(CSV) and report each one's verdict instead: see\n"
           "Address plan below")
        ->type_name("FILE");
    app.add_flag("--verbose", options.verbose,
                 "write the search's diagnostic lines to stderr");
    app.set_help_flag("-h,--help", "show this help and exit");
    app.set_version_flag("--version", std::string(FIND_PROGRAM) + " " + QUENLO_VERSION,
                         "show the version and exit");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        result.text = app.help();
        return result;
    } catch (const CLI::CallForVersion& version) {
        result.text = std::string(version.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
        return result;
    }

    if (!format.empty())
        options.format = FORMATS.at(format);
    if (options.excel) {
        if (options.format && *options.format != OutputFormat::Csv)
            result.error = "--excel goes with --format csv only";
        options.format = OutputFormat::Csv;
    }
    if (options.plan && (options.watch || options.interfaces)) {
        result.error = std::string("--plan does not go with ")
                       + (options.watch ? "--watch" : "--interfaces")
                       + ": each writes a report of its own";
    }
    return result;
}
