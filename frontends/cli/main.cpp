#include "bc_protocol.h"
#include "bc_transport.h"
#include "clipboard_text.h"
#include "device_output.h"
#include "device_search.h"
#include "diagnostics.h"
#include "find_options.h"
#include "interrupt_watch.h"
#include "plan_check.h"
#include "site_messages.h"
#include "terminal.h"
#include "text_format.h"
#include "udp_socket.h"
#include "visible_text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int EXIT_FOUND = 0;
constexpr int EXIT_NONE_FOUND = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_REPLY_PORT_BUSY = 3;
constexpr int EXIT_REQUEST_NOT_SENT = 4;
constexpr int EXIT_OUTPUT_FAILED = 5;
constexpr int EXIT_LIST_FULL = 6;
constexpr int EXIT_NOT_AS_PLANNED = 7;

constexpr double DEFAULT_SECONDS = 3.0;

// The core's diagnostic lines, one per line on standard error.
void WriteDiagnostic(std::string_view text, void*)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
}

void DropDiagnostic(std::string_view, void*) {}

std::string CountText(int count)
{
    return std::string(FIND_PROGRAM) + ": searching, " + std::to_string(count)
           + (count == 1 ? " device" : " devices") + " found";
}

void Complain(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", FIND_PROGRAM, message.c_str());
}

// Writes text to standard output and flushes it: false, with errno, on a failure.
bool Written(const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size()
           && std::fflush(stdout) == 0;
}

int OutputFailed(int error)
{
    Complain(std::string("cannot write the results: ") + std::strerror(error));
    return EXIT_OUTPUT_FAILED;
}

// A device as a person names it: its MAC text.
std::string DeviceName(const FoundDevice& device)
{
    return ToUtf8(VisibleText(WithoutCellBlank(device.row.listed[COL_MAC])));
}

// Names the devices that answered otherwise or went silent during the search.
void TellWhatChanged(const SearchResult& result)
{
    for (const SearchEvent& event : result.changed) {
        std::string fields;
        for (const int column : REPLY_COLUMNS) {
            const auto at = static_cast<std::size_t>(column);
            if (event.before[at] == event.device.row.cells[at])
                continue;
            fields += std::string(fields.empty() ? "" : ", ") + FieldName(column) + " "
                      + ToUtf8(VisibleText(WithoutCellBlank(event.before[at]))) + " -> "
                      + ToUtf8(VisibleText(WithoutCellBlank(event.device.row.cells[at])));
        }
        Complain(DeviceName(event.device) + " answers with other texts now: " + fields);
    }
    for (const SearchEvent& event : result.silent) {
        Complain(DeviceName(event.device) + " has not answered since "
                 + std::to_string(event.lastReply.count()) + " ms into the search");
    }
}

// Says why the search ended early, when it did, and returns the exit status: a signal's is the
// shell's, 128 and its number.
int ExitStatus(const SearchResult& result, int caughtSignal)
{
    if (result.unlisted > 0) {
        Complain("the list is full: " + UnlistedText(result.unlisted, result.loss.any)
                 + " more devices answered and are not listed");
    }
    if (result.loss.counted > 0) {
        std::string lost = std::to_string(result.loss.counted)
                           + " replies were lost: the reply socket's receive queue was full";
        if (result.loss.queueCap > 0) {
            lost.append("; the system caps it at " + std::to_string(result.loss.queueCap / 1024)
                        + " KiB of the " + std::to_string(REPLY_RECEIVE_BUFFER / 1024)
                        + " KiB asked (raise net.core.rmem_max to let it hold more)");
        }
        Complain(lost);
    } else if (result.loss.any) {
        Complain("replies may have been lost: more arrived at once than were read");
    }
    switch (result.end) {
    case SearchEnd::ReplyPortUnavailable:
        Complain("cannot open the reply port, UDP " + std::to_string(BC_REPLY_PORT)
                 + ": another program is using it, so no device can be heard");
        return EXIT_REPLY_PORT_BUSY;
    case SearchEnd::RequestNotSent:
        Complain("no network interface could send the search request");
        return EXIT_REQUEST_NOT_SENT;
    case SearchEnd::Interrupted:
        return 128 + caughtSignal;
    case SearchEnd::TimeUp:
    case SearchEnd::CountReached:
        break;
    }
    if (result.unlisted > 0)
        return EXIT_LIST_FULL;
    if (result.devices.empty()) {
        Complain("no device answered");
        return EXIT_NONE_FOUND;
    }
    return EXIT_FOUND;
}

// The first chosen card that is not among the cards that can search, or none.
std::optional<std::string> UnknownCard(const CardNames& chosen,
                                       const std::vector<NetworkCard>& cards)
{
    for (const std::string& name : chosen) {
        if (std::none_of(cards.begin(), cards.end(),
                         [&name](const NetworkCard& card) { return card.name == name; }))
            return name;
    }
    return std::nullopt;
}

// Names the card that is not there, and the cards that are, one a line.
void ComplainOfCard(const std::string& name, const std::vector<NetworkCard>& cards)
{
    Complain("--interface: no network card named '" + ToUtf8(VisibleText(Utf8Text(name)))
             + "' can search" + (cards.empty() ? "; no card can" : "; the cards that can are:"));
    for (const NetworkCard& card : cards)
        std::fprintf(stderr, "  %s\n", ToUtf8(VisibleText(Utf8Text(card.name))).c_str());
}

// Each device as it answered last: a device that answered with other texts during the search is
// judged by what it answers now, and one that stopped answering as silent.
std::vector<FoundDevice> AsTheyAnswerNow(const SearchResult& result)
{
    std::vector<FoundDevice> devices = result.devices;
    for (const SearchEvent& event : result.changed) {
        for (FoundDevice& device : devices) {
            if (device.row.id == event.device.row.id)
                device = event.device;
        }
    }
    for (const SearchEvent& event : result.silent) {
        for (FoundDevice& device : devices) {
            if (device.row.id == event.device.row.id)
                device.row.silent = true;
        }
    }
    return devices;
}

} // namespace

int main(int argc, char** argv)
{
    // Asked before a closed output becomes the null device, where the results would vanish.
    const bool outputClosed = StandardOutputClosed();
    // A closed standard stream must not become a socket that the output then writes into.
    AttachClosedStandardStreams();
    const FindCommandLine commandLine = ParseFindCommandLine(argc, argv);
    if (!commandLine.error.empty()) {
        Complain(commandLine.error);
        std::fprintf(stderr, "Try '%s --help'.\n", FIND_PROGRAM);
        return EXIT_USAGE;
    }
    if (outputClosed)
        return OutputFailed(EBADF);
    if (!commandLine.text.empty())
        return Written(commandLine.text) ? EXIT_FOUND : OutputFailed(errno);
    const FindOptions& options = commandLine.options;
    UseUtf8Output();

    std::optional<PlanReading> plan;
    if (options.plan) {
        PlanFile file = ReadPlanFile(*options.plan);
        if (!file.error.empty()) {
            Complain(file.error);
            return EXIT_USAGE;
        }
        for (const PlanProblem& problem : file.reading.problems)
            Complain(SkippedLineText(*options.plan, problem));
        if (file.reading.skipped > file.reading.problems.size())
            Complain(MoreSkippedText(*options.plan,
                                     file.reading.skipped - file.reading.problems.size()));
        plan = std::move(file.reading);
    }

    // Without the sockets layer no request can go out.
    if (!udp::StartSockets()) {
        Complain(std::string("the sockets layer (") + udp::SocketsLayerName()
                 + ") cannot be started");
        return EXIT_REQUEST_NOT_SENT;
    }
    if (!options.cards.empty()) {
        const std::vector<NetworkCard> cards = udp::BroadcastInterfaces();
        if (const std::optional<std::string> unknown = UnknownCard(options.cards, cards)) {
            ComplainOfCard(*unknown, cards);
            return EXIT_USAGE;
        }
    }
    // Standard output carries the devices alone.
    SetDiagnosticSink({options.verbose ? WriteDiagnostic : DropDiagnostic, nullptr});
    OutputStyle style;
    style.format = options.format.value_or(IsTerminal(stdout) ? OutputFormat::Table
                                                              : OutputFormat::Tsv);
    style.raw = options.raw;
    style.excel = options.excel;

    // While watching, the events themselves show the search going on.
    std::optional<CStatusLine> status;
    if (IsTerminal(stderr) && !options.watch)
        status.emplace(stderr);
    int writeError = 0;
    if (options.watch && !Written(FormatEventHeading(style)))
        return OutputFailed(errno);

    CDeviceSearch search(
        [&status](int count) {
            if (status)
                status->Show(CountText(count));
        },
        [&](const SearchEvent& event) {
            if (!options.watch || writeError != 0)
                return;
            if (!Written(FormatEvent(event, style))) {
                writeError = errno;
                search.Interrupt();
            }
        },
        options.cards);
    SearchResult result;
    int caughtSignal = 0; // read once the watch, and with it its thread, has ended
    {
        CInterruptWatch watch([&search, &caughtSignal](int signal) {
            caughtSignal = signal;
            search.Interrupt();
        });
        if (status)
            status->Show(CountText(0));
        using Duration = std::chrono::steady_clock::duration;
        std::optional<Duration> duration;
        if (options.seconds || !options.watch) {
            const std::chrono::duration<double> seconds(options.seconds.value_or(DEFAULT_SECONDS));
            duration = std::chrono::duration_cast<Duration>(seconds);
        }
        result = search.Run(duration, options.count);
    }
    if (status)
        status->Clear();

    if (writeError != 0)
        return OutputFailed(writeError);
    if (plan) {
        const std::vector<FoundDevice> report = PlanReport(plan->plan, AsTheyAnswerNow(result));
        style.planColumns = plan->plan.ExtraColumns();
        if (!Written(FormatDevices(report, style)))
            return OutputFailed(errno);
        TellWhatChanged(result);
        const PlanCounts counts = CountReport(plan->plan, report);
        Complain("plan: " + in_english::PlanSummary(counts));
        const int searchStatus = ExitStatus(result, caughtSignal);
        if (searchStatus != EXIT_FOUND && searchStatus != EXIT_NONE_FOUND)
            return searchStatus;
        return SiteAsPlanned(*plan, counts) ? EXIT_FOUND : EXIT_NOT_AS_PLANNED;
    }
    if (!options.watch) {
        if (!Written(options.interfaces ? in_english::CardsTable(result.cards, result.devices)
                                        : FormatDevices(result.devices, style)))
            return OutputFailed(errno);
        TellWhatChanged(result);
    }
    return ExitStatus(result, caughtSignal);
}
