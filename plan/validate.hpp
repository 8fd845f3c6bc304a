// Cross-reference checks of a plan that has been read, and the normalisation of
// the texts the page shows.
#pragma once

#include "app/console.hpp"
#include "plan/plan.hpp"

namespace tarnwick {

// Checks node classes, then link ends, then link relations; a stage with errors
// ends the check. Prints one line per failed look-up and returns the error count
// of the stage that ended it, 0 when the plan passed (every link's colorStyle is
// then filled). The plan text that a line quotes is written in the console's
// encoding.
int validatePlan(OntologyPlan& plan, ConsoleEncoding console = ConsoleEncoding::EightBit);

// Underscores become blanks in heading texts, node labels and link relations.
void normalisePlan(OntologyPlan& plan);

}  // namespace tarnwick
