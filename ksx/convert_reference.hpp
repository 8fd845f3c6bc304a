// The conversion's straightforward scan: every character through the writers
// and every pair through its lookup. The UTF-8 conversion takes a table-driven
// scan instead, which must give the same bytes; this one stays as the reference
// that the tests and the benchmarks hold it to.
#pragma once

#include "ksx/convert.hpp"

namespace tarnwick {

// As convertKsxFileAs, by the reference scan.
int convertKsxFileByReference(const char* source, const char* target, TargetFormat format,
                              SourceRange range);

}  // namespace tarnwick
