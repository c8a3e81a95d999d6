#include "plan_check.h"

#include "ansi_text.h"
#include "plan_file.h"
#include "visible_text.h"

#include <algorithm>

namespace {

constexpr std::size_t MEBIBYTE = 1024 * 1024;

// A file name or a plan's text as it is shown: visible, UTF-8.
std::string Shown(std::string_view name)
{
    return ToUtf8(VisibleText(DecodeAnsi(name)));
}

std::string Quoted(const std::u16string& text)
{
    std::string quoted = "\"";
    quoted += ToUtf8(VisibleText(text));
    quoted += '"';
    return quoted;
}

// Why a file is no plan at all.
std::string PlanErrorText(const PlanReading& reading)
{
    switch (reading.error) {
    case PlanError::None:
        break;
    case PlanError::TooLarge: {
        std::string text = "larger than ";
        text += std::to_string(MAX_PLAN_BYTES / MEBIBYTE);
        text += " MiB";
        return text;
    }
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

std::size_t CountOf(const std::vector<FoundDevice>& report, PlanVerdict::Kind kind)
{
    return static_cast<std::size_t>(
        std::count_if(report.begin(), report.end(),
                      [kind](const FoundDevice& device) { return device.plan->kind == kind; }));
}

} // namespace

PlanFile ReadPlanFile(const std::string& path)
{
    PlanFile file;
    const PlanFileBytes read = ReadPlanBytes(CommandLinePath(path));
    if (read.outcome != PlanFileBytes::Outcome::Read) {
        file.error = "cannot read the plan " + Shown(path) + ": "
                     + (read.outcome == PlanFileBytes::Outcome::NotRegular
                            ? std::string("not a regular file")
                            : ToUtf8(DecodeAnsi(read.error.message())));
        return file;
    }
    file.reading = ReadAddressPlan(read.bytes);
    if (file.reading.error != PlanError::None)
        file.error = Shown(path) + " is no address plan: " + PlanErrorText(file.reading);
    return file;
}

std::string SkippedLineText(const std::string& path, const PlanProblem& problem)
{
    return Shown(path) + " line " + std::to_string(problem.line) + ": " + FaultText(problem)
           + ", skipped";
}

std::string MoreSkippedText(const std::string& path, std::size_t count)
{
    return Shown(path) + ": " + std::to_string(count) + (count == 1 ? " more line" : " more lines")
           + " skipped, not shown";
}

std::string PlanSummary(const CAddressPlan& plan, const std::vector<FoundDevice>& report)
{
    using Kind = PlanVerdict::Kind;
    return std::to_string(plan.Devices().size()) + " planned, "
           + std::to_string(CountOf(report, Kind::AsPlanned)) + " as planned, "
           + std::to_string(CountOf(report, Kind::Differs)) + " differs, "
           + std::to_string(CountOf(report, Kind::Missing)) + " missing; "
           + std::to_string(CountOf(report, Kind::NotInPlan)) + " not in the plan";
}

bool SiteAsPlanned(const PlanReading& reading, const std::vector<FoundDevice>& report)
{
    return reading.skipped == 0
           && std::none_of(report.begin(), report.end(), [](const FoundDevice& device) {
                  return device.plan->kind == PlanVerdict::Kind::Differs
                         || device.plan->kind == PlanVerdict::Kind::Missing;
              });
}
