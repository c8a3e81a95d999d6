// What Quenlo says about the site beside the list itself: why a file is no plan and which of its
// lines were skipped, the planned devices that have not answered, the network cards a search went
// through, and the commands that reach a device outside every local subnet. The windows say it in
// their language, from the string table; quenlo-find says it in its own English.
#pragma once

#include "address_plan.h"
#include "device_output.h"
#include "heard_on.h"
#include "plan_verdict.h"
#include "reach_commands.h"
#include "text_format.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CListPresenter;

// The windows' texts, about the list the operator sees.
class CSiteMessages
{
public:
    // list outlives the messages.
    CSiteMessages(const CListPresenter& list, StringLoader strings);

    // Why a file is no plan, for a message; empty when it is one.
    std::u16string PlanErrorText(const PlanReading& reading) const;
    // The lines of a plan that were skipped and why, for a view; empty when none was.
    std::u16string PlanProblemsText(const PlanReading& reading, std::u16string_view name) const;
    // The planned devices that have not answered in this search, for a view.
    std::u16string MissingText() const;
    // The cards the latest search request was meant for: each one's name, addresses, whether the
    // request went out through it, and how many listed devices answered on it.
    std::u16string CardsText() const;
    // For a row outside every local subnet, what the operator can run in shell to reach it: a
    // temporary address on the card that heard it, the guess of the device's mask, and the
    // command that removes it again.
    std::u16string ReachText(int position, CommandShell shell) const;

private:
    const CListPresenter& list_;
    StringLoader strings_;
};

// quenlo-find's texts; name is the plan file's name as it is shown.
namespace in_english {

// Why a file is no plan: "it has no heading line".
std::string PlanErrorText(const PlanReading& reading);
// A skipped line: "plan.csv line 7: no MAC, skipped".
std::string SkippedLineText(std::string_view name, const PlanProblem& problem);
// The skipped lines after the kept ones: "plan.csv: 3 more lines skipped, not shown".
std::string MoreSkippedText(std::string_view name, std::size_t count);
// "12 planned, 9 as planned, 1 differs, 1 silent, 1 missing; 3 not in the plan".
std::string PlanSummary(const PlanCounts& counts);
// The cards a search's latest request was meant for, in columns: each one's name, addresses,
// whether the request went out through it, and how many of the devices answered on it. UTF-8.
std::string CardsTable(const std::vector<NetworkCard>& cards,
                       const std::vector<FoundDevice>& devices);

} // namespace in_english
