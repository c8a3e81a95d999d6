#include "plan_verdict.h"

#include "ipv4_text.h"
#include "text_blanks.h"

#include <algorithm>

namespace {

// Whether the device's text says what the plan's does: the same address, the same port number,
// or for the channel name the same text.
bool SameSetting(int column, std::u16string_view planned, std::u16string_view heard)
{
    heard = TrimBlanks(heard);
    switch (column) {
    case COL_IP:
    case COL_GATEWAY: {
        const std::optional<std::uint32_t> address = ParseIpv4(heard);
        return address && address == ParseIpv4(planned);
    }
    case COL_PORT: {
        const std::optional<std::uint32_t> port = ParsePort(heard);
        return port && port == ParsePort(planned);
    }
    default:
        return heard == planned;
    }
}

// Whether the channel name is the planned one as its cell shows it or in any other decoding.
bool SameName(std::u16string_view planned, std::u16string_view cell, const NameDecodings& names)
{
    return SameSetting(COL_CHN, planned, cell)
           || std::any_of(names.begin(), names.end(), [planned](const std::u16string& name) {
                  return SameSetting(COL_CHN, planned, name);
              });
}

} // namespace

PlanVerdict CheckAgainstPlan(const CAddressPlan& plan, const RowCells& heard,
                             const NameDecodings& names)
{
    PlanVerdict verdict;
    const std::optional<std::string> key = MacKey(heard[COL_MAC]);
    verdict.planned = key ? plan.Find(*key) : nullptr;
    if (!verdict.planned)
        return verdict;
    for (const int column : PLAN_COLUMNS) {
        const auto at = static_cast<std::size_t>(column);
        const std::u16string& planned = verdict.planned->texts[at];
        const bool same = column == COL_CHN ? SameName(planned, heard[at], names)
                                            : SameSetting(column, planned, heard[at]);
        if (!planned.empty() && !same)
            verdict.differences.push_back({column, planned, std::u16string(TrimBlanks(heard[at]))});
    }
    verdict.kind = verdict.differences.empty() ? PlanVerdict::Kind::AsPlanned
                                               : PlanVerdict::Kind::Differs;
    return verdict;
}

PlanVerdict Silenced(PlanVerdict verdict)
{
    if (verdict.planned) {
        verdict.kind = PlanVerdict::Kind::Silent;
        verdict.differences.clear();
    }
    return verdict;
}

std::vector<const PlannedDevice*> MissingFromPlan(const CAddressPlan& plan,
                                                  const std::set<std::string>& heard)
{
    std::vector<const PlannedDevice*> missing;
    for (const PlannedDevice& device : plan.Devices()) {
        if (heard.count(device.macKey) == 0)
            missing.push_back(&device);
    }
    return missing;
}

const char* VerdictName(PlanVerdict::Kind kind)
{
    switch (kind) {
    case PlanVerdict::Kind::NotInPlan:
        return "not-in-plan";
    case PlanVerdict::Kind::AsPlanned:
        return "as-planned";
    case PlanVerdict::Kind::Differs:
        return "differs";
    case PlanVerdict::Kind::Missing:
        return "missing";
    case PlanVerdict::Kind::Silent:
        return "silent";
    }
    return "";
}

void PlanCounts::Add(PlanVerdict::Kind kind)
{
    switch (kind) {
    case PlanVerdict::Kind::NotInPlan:
        ++notInPlan;
        break;
    case PlanVerdict::Kind::AsPlanned:
        ++asPlanned;
        break;
    case PlanVerdict::Kind::Differs:
        ++differs;
        break;
    case PlanVerdict::Kind::Missing:
        ++missing;
        break;
    case PlanVerdict::Kind::Silent:
        ++silent;
        break;
    }
}
