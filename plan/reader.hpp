// Reads a plan file into the plan, line by line and section by section.
#pragma once

#include "app/textstream.hpp"
#include "plan/plan.hpp"

namespace tarnwick {

// Fills the (empty) plan from the whole input. Cut and incomplete fields are
// reported on stdout as warnings. False on a read error: the plan is then
// incomplete and must not be used.
bool readPlan(TextReader& file, OntologyPlan& plan);

}  // namespace tarnwick
