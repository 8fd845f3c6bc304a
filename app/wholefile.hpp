// A whole file's bytes, for what must see all of them before any text-mode rule
// applies (the encoding of a plan, say).
#pragma once

#include <vector>

#include "app/textstream.hpp"

namespace tarnwick {

// Appends the bytes of a file opened with openTextReader and not yet read, as
// they stand: CR LF stays CR LF and 0x1A is a byte like any other. False on a
// read error.
bool readWholeFile(TextReader& file, std::vector<unsigned char>& bytes);

}  // namespace tarnwick
