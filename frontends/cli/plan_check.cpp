#include "plan_check.h"

#include "ansi_text.h"
#include "plan_file.h"
#include "site_messages.h"
#include "visible_text.h"

namespace {

// A file name or a plan's text as it is shown: visible, UTF-8.
std::string Shown(std::string_view name)
{
    return ToUtf8(VisibleText(DecodeAnsi(name)));
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
        file.error =
            Shown(path) + " is no address plan: " + in_english::PlanErrorText(file.reading);
    return file;
}

std::string SkippedLineText(const std::string& path, const PlanProblem& problem)
{
    return in_english::SkippedLineText(Shown(path), problem);
}

std::string MoreSkippedText(const std::string& path, std::size_t count)
{
    return in_english::MoreSkippedText(Shown(path), count);
}

PlanCounts CountReport(const CAddressPlan& plan, const std::vector<FoundDevice>& report)
{
    PlanCounts counts(plan);
    for (const FoundDevice& device : report)
        counts.Add(device.plan->kind);
    return counts;
}

bool SiteAsPlanned(const PlanReading& reading, const PlanCounts& counts)
{
    return reading.skipped == 0 && counts.AllAsPlanned();
}
