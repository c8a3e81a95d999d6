#include "site_messages.h"

#include "ansi_text.h"
#include "ipv4_text.h"
#include "list_presenter.h"
#include "resource.h"
#include "text_blanks.h"
#include "visible_text.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t MEBIBYTE = 1024 * 1024;

std::u16string Number(std::size_t n)
{
    return AsciiText(std::to_string(n));
}

// How many of the devices heard where heardOn says answered on card.
template <typename Devices, typename HeardOnOf>
std::size_t AnsweredOn(const NetworkCard& card, const Devices& devices, HeardOnOf heardOn)
{
    return static_cast<std::size_t>(
        std::count_if(devices.begin(), devices.end(),
                      [&](const auto& device) { return HeardOnCard(heardOn(device), card); }));
}

std::string Quoted(const std::u16string& text)
{
    return '"' + ToUtf8(VisibleText(text)) + '"';
}

std::string FaultText(const PlanProblem& problem)
{
    switch (problem.fault) {
    case PlanFault::UnclosedQuote:
        return "a quote is never closed";
    case PlanFault::TextAfterQuote:
        return "text after a closing quote";
    case PlanFault::FieldCount:
        return ToUtf8(problem.text) + (problem.text == u"1" ? " field" : " fields")
               + " where the heading has " + std::to_string(problem.other);
    case PlanFault::NoMac:
        return "no MAC";
    case PlanFault::BadMac:
        return "bad MAC " + Quoted(problem.text);
    case PlanFault::BadIp:
        return "bad IP address " + Quoted(problem.text);
    case PlanFault::BadPort:
        return "bad port " + Quoted(problem.text);
    case PlanFault::BadGateway:
        return "bad gateway " + Quoted(problem.text);
    case PlanFault::RepeatedMac:
        return "MAC " + Quoted(problem.text) + " planned on line "
               + std::to_string(problem.other) + " already";
    }
    return std::string();
}

} // namespace

CSiteMessages::CSiteMessages(const CListPresenter& list, StringLoader strings)
    : list_(list), strings_(std::move(strings))
{
}

std::u16string CSiteMessages::PlanErrorText(const PlanReading& reading) const
{
    switch (reading.error) {
    case PlanError::None:
        return {};
    case PlanError::TooLarge:
        return strings_(IDS_PLAN_TOO_LARGE);
    case PlanError::NoHeading:
        return strings_(IDS_PLAN_NO_HEADING);
    case PlanError::NoMacColumn:
        return strings_(IDS_PLAN_NO_MAC_COLUMN);
    case PlanError::RepeatedColumn:
        return FormatText(strings_(IDS_PLAN_REPEATED_COLUMN), {VisibleText(reading.heading)});
    case PlanError::TooManyDevices:
        return FormatText(strings_(IDS_PLAN_TOO_MANY_DEVICES), {Number(MAX_PLANNED_DEVICES)});
    }
    return {};
}

std::u16string CSiteMessages::PlanProblemsText(const PlanReading& reading,
                                               std::u16string_view name) const
{
    if (reading.skipped == 0)
        return {};
    std::u16string text =
        FormatText(strings_(IDS_PLAN_SKIPPED), {VisibleText(name), Number(reading.skipped)})
        + u"\n";
    for (const PlanProblem& problem : reading.problems) {
        const std::u16string at = VisibleText(problem.text);
        std::u16string why;
        switch (problem.fault) {
        case PlanFault::UnclosedQuote:
            why = strings_(IDS_FAULT_UNCLOSED_QUOTE);
            break;
        case PlanFault::TextAfterQuote:
            why = strings_(IDS_FAULT_TEXT_AFTER_QUOTE);
            break;
        case PlanFault::FieldCount:
            why = FormatText(strings_(IDS_FAULT_FIELD_COUNT), {at, Number(problem.other)});
            break;
        case PlanFault::NoMac:
            why = strings_(IDS_FAULT_NO_MAC);
            break;
        case PlanFault::BadMac:
            why = FormatText(strings_(IDS_FAULT_BAD_MAC), {at});
            break;
        case PlanFault::BadIp:
            why = FormatText(strings_(IDS_FAULT_BAD_IP), {at});
            break;
        case PlanFault::BadPort:
            why = FormatText(strings_(IDS_FAULT_BAD_PORT), {at});
            break;
        case PlanFault::BadGateway:
            why = FormatText(strings_(IDS_FAULT_BAD_GATEWAY), {at});
            break;
        case PlanFault::RepeatedMac:
            why = FormatText(strings_(IDS_FAULT_REPEATED_MAC), {at, Number(problem.other)});
            break;
        }
        text += FormatText(strings_(IDS_PLAN_LINE), {Number(problem.line), why}) + u"\n";
    }
    if (reading.skipped > reading.problems.size())
        text += FormatText(strings_(IDS_PLAN_MORE_SKIPPED),
                           {Number(reading.skipped - reading.problems.size())})
                + u"\n";
    return text;
}

std::u16string CSiteMessages::MissingText() const
{
    if (!list_.HasPlan())
        return strings_(IDS_MISSING_NO_PLAN);
    const std::vector<const PlannedDevice*> missing = list_.MissingFromPlan();
    const std::u16string name = VisibleText(list_.PlanName());
    if (missing.empty())
        return FormatText(strings_(IDS_MISSING_NONE), {name});
    std::u16string text =
        FormatText(strings_(IDS_MISSING_COUNT), {name, Number(missing.size())}) + u"\n";
    for (const PlannedDevice* device : missing) {
        std::u16string settings;
        for (const int column : {COL_MAC, COL_CHN, COL_IP, COL_PORT, COL_GATEWAY}) {
            const std::u16string& planned = device->texts[static_cast<std::size_t>(column)];
            if (planned.empty())
                continue;
            if (!settings.empty())
                settings += strings_(IDS_LIST_SEPARATOR);
            settings += ColumnHeading(column) + u" " + VisibleText(planned);
        }
        const std::vector<std::u16string>& names = list_.Plan()->ExtraColumns();
        for (std::size_t place = 0; place < device->extra.size(); ++place) {
            if (!device->extra[place].empty()) {
                settings.append(strings_(IDS_LIST_SEPARATOR)).append(VisibleText(names[place]));
                settings.append(u" ");
                settings.append(VisibleText(device->extra[place]));
            }
        }
        text += FormatText(strings_(IDS_PLAN_LINE), {Number(device->line), settings}) + u"\n";
    }
    return text;
}

std::u16string CSiteMessages::CardsText() const
{
    const std::optional<std::vector<NetworkCard>>& cards = list_.Cards();
    if (!cards)
        return strings_(IDS_CARDS_NONE);
    if (cards->empty())
        return strings_(IDS_CARDS_EMPTY);
    const std::vector<DeviceRow>& rows = list_.Rows().All();
    std::u16string text;
    for (const NetworkCard& card : *cards) {
        std::u16string addresses;
        for (const std::uint32_t address : card.addresses) {
            if (!addresses.empty())
                addresses += u", ";
            addresses += AsciiText(FormatIpv4(address));
        }
        const std::size_t answered =
            AnsweredOn(card, rows, [](const DeviceRow& row) { return row.heardOn; });
        text += FormatText(strings_(card.sent ? IDS_CARD_SENT : IDS_CARD_NOT_SENT),
                           {VisibleText(Utf8Text(card.name)), addresses, Number(answered)})
                + u"\n";
    }
    return text;
}

std::u16string CSiteMessages::ReachText(int position, CommandShell shell) const
{
    const DeviceRow& row = list_.At(position);
    // Every address the list knows of is taken, shown or not.
    std::vector<std::uint32_t> taken;
    for (const DeviceRow& other : list_.Rows().All()) {
        for (const int column : {COL_IP, COL_GATEWAY}) {
            if (const auto address = ParseIpv4(other.cells[static_cast<std::size_t>(column)]))
                taken.push_back(*address);
        }
    }
    const std::u16string ip(TrimBlanks(VisibleText(row.cells[COL_IP])));
    const std::u16string gateway(TrimBlanks(VisibleText(row.cells[COL_GATEWAY])));
    const TemporaryAddress address = ChooseTemporaryAddress(ip, gateway, taken);
    if (address.address == 0)
        return strings_(IDS_REACH_NONE);
    const std::u16string card = VisibleText(Utf8Text(row.heardOn.interfaceName));
    const AddressCommands commands = TemporaryAddressCommands(address, card, shell);
    const std::u16string mask = AsciiText(FormatIpv4(address.mask));
    const std::u16string guess = address.maskFromGateway
                                     ? FormatText(strings_(IDS_REACH_MASK_GATEWAY), {gateway, mask})
                                     : FormatText(strings_(IDS_REACH_MASK_USUAL), {mask});
    std::u16string text = FormatText(strings_(IDS_REACH_TEXT), {ip, card}) + u"\n\n";
    // Several devices at one address: whichever answers first is the one reached.
    if (const int sharing = list_.SharingAddress(position); sharing > 1) {
        text += FormatText(strings_(IDS_REACH_SHARED), {AsciiText(std::to_string(sharing)), ip})
                + u"\n\n";
    }
    return text + guess + u"\n"
           + FormatText(strings_(IDS_REACH_FREE), {AsciiText(FormatIpv4(address.address))})
           + u"\n\n" + strings_(IDS_REACH_ADD) + u"\n" + commands.add + u"\n\n"
           + strings_(IDS_REACH_REMOVE) + u"\n" + commands.remove + u"\n";
}

namespace in_english {

std::string PlanErrorText(const PlanReading& reading)
{
    switch (reading.error) {
    case PlanError::None:
        break;
    case PlanError::TooLarge:
        return "larger than " + std::to_string(MAX_PLAN_BYTES / MEBIBYTE) + " MiB";
    case PlanError::NoHeading:
        return "it has no heading line";
    case PlanError::NoMacColumn:
        return "its heading names no MAC column";
    case PlanError::RepeatedColumn:
        return "its heading names one column twice, the second time as " + Quoted(reading.heading);
    case PlanError::TooManyDevices:
        return "it plans more than " + std::to_string(MAX_PLANNED_DEVICES) + " devices";
    }
    return std::string();
}

std::string SkippedLineText(std::string_view name, const PlanProblem& problem)
{
    return std::string(name) + " line " + std::to_string(problem.line) + ": " + FaultText(problem)
           + ", skipped";
}

std::string MoreSkippedText(std::string_view name, std::size_t count)
{
    return std::string(name) + ": " + std::to_string(count)
           + (count == 1 ? " more line" : " more lines") + " skipped, not shown";
}

std::string PlanSummary(const PlanCounts& counts)
{
    return std::to_string(counts.planned) + " planned, " + std::to_string(counts.asPlanned)
           + " as planned, " + std::to_string(counts.differs) + " differs, "
           + std::to_string(counts.silent) + " silent, " + std::to_string(counts.missing)
           + " missing; " + std::to_string(counts.notInPlan)
           + " not in the plan";
}

std::string CardsTable(const std::vector<NetworkCard>& cards,
                       const std::vector<FoundDevice>& devices)
{
    std::vector<std::vector<std::string>> lines{{"interface", "addresses", "request", "devices"}};
    for (const NetworkCard& card : cards) {
        std::string addresses;
        for (const std::uint32_t address : card.addresses) {
            if (!addresses.empty())
                addresses += ',';
            addresses += FormatIpv4(address);
        }
        const std::size_t answered =
            AnsweredOn(card, devices, [](const FoundDevice& device) { return device.row.heardOn; });
        lines.push_back({ToUtf8(VisibleText(Utf8Text(card.name))), addresses,
                         card.sent ? "sent" : "could-not-send", std::to_string(answered)});
    }
    return AlignedColumns(lines);
}

} // namespace in_english
