// What a device's answer says against the address plan, by the same rules in every front end:
// the MAC picks the planned device; an address is compared as the address it is read as, a port
// as its number, a channel name as its text.
#pragma once

#include "address_plan.h"
#include "device_rows.h"

#include <cstddef>
#include <set>
#include <string>
#include <vector>

// A planned field the device answers otherwise.
struct FieldDifference {
    int column = COL_IP;
    std::u16string planned;
    std::u16string heard;
};

struct PlanVerdict {
    // Silent: a planned device that answered in this search and has stopped answering; what it
    // answered before is not what the site has now.
    enum class Kind { NotInPlan, AsPlanned, Differs, Missing, Silent };
    Kind kind = Kind::NotInPlan;
    // The planned device, for every kind but NotInPlan; it lives as long as its plan.
    const PlannedDevice* planned = nullptr;
    // Differs: each planned field the device answers otherwise, in PLAN_COLUMNS order.
    std::vector<FieldDifference> differences;
};

// How a search's verdicts fall against a plan: one count per verdict, with a Missing verdict for
// each planned device that did not answer.
struct PlanCounts {
    explicit PlanCounts(const CAddressPlan& plan) : planned(plan.Devices().size()) {}
    void Add(PlanVerdict::Kind kind);
    // Every planned device answered as planned; devices not in the plan do not count.
    bool AllAsPlanned() const { return differs == 0 && missing == 0 && silent == 0; }

    std::size_t planned = 0;
    std::size_t asPlanned = 0;
    std::size_t differs = 0;
    std::size_t missing = 0;
    std::size_t silent = 0;
    std::size_t notInPlan = 0;
};

// The verdict on a device that answered with these texts (a row's cells; blanks around a text
// do not count) and this channel name in each decoding. The name is as planned when any decoding
// of it is: the cell shows the one the system's code page picks, which need not be the plan's.
PlanVerdict CheckAgainstPlan(const CAddressPlan& plan, const RowCells& heard,
                             const NameDecodings& names);

// The verdict on a device that has stopped answering: Silent when it is planned, whatever it
// answered before; a device not in the plan stays so.
PlanVerdict Silenced(PlanVerdict verdict);

// The planned devices none of whose MAC keys is among heard, in plan order.
std::vector<const PlannedDevice*> MissingFromPlan(const CAddressPlan& plan,
                                                  const std::set<std::string>& heard);

// The name scripts read a verdict by: "as-planned", "differs", "missing", "silent",
// "not-in-plan".
const char* VerdictName(PlanVerdict::Kind kind);
