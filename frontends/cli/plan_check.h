// quenlo-find's address plan: the file read, the lines of it that were skipped, and what the
// report says of the site.
#pragma once

#include "address_plan.h"
#include "device_output.h"

#include <cstddef>
#include <string>
#include <vector>

struct PlanFile {
    PlanReading reading;
    // Why the file cannot be read or is no plan; empty when it is one.
    std::string error;
};

// Reads the plan in the file at path, as the command line names it: a regular file, which is only
// read, and never past MAX_PLAN_BYTES.
PlanFile ReadPlanFile(const std::string& path);

// A skipped line as "plan.csv line 7: no MAC, skipped".
std::string SkippedLineText(const std::string& path, const PlanProblem& problem);

// The skipped lines after the kept ones, as "plan.csv: 3 more lines skipped, not shown".
std::string MoreSkippedText(const std::string& path, std::size_t count);

// How the verdicts of a plan's report fall.
PlanCounts CountReport(const CAddressPlan& plan, const std::vector<FoundDevice>& report);

// Whether the site is as planned: every planned device answered as planned, and no line of the
// plan was skipped. Devices not in the plan do not count.
bool SiteAsPlanned(const PlanReading& reading, const PlanCounts& counts);
