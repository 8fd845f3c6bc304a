// Writes the plan as the HTML page, in the plan's own 8-bit text.
#pragma once

#include "plan/plan.hpp"

namespace tarnwick {

enum class PageResult { Written, Exists, CreationError, WriteError };

// Creates the page file (never replacing an existing file) and writes the whole
// page. On a write error the partly written file is removed again. Prints
// nothing: the driver reports the result.
PageResult writePage(const OntologyPlan& plan, const char* pagePath);

}  // namespace tarnwick
