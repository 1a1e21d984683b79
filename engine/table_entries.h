// What becomes of the entries given to the table classes' constructors and
// SetItem: each becomes one byte of the table, and a value that is no whole
// number 0 to 255, or a Vector shorter than the table needs, gets a warning
// before the call that says what the table keeps. The tables themselves are
// the module's, unchanged.
#ifndef ZORL_ENGINE_TABLE_ENTRIES_H
#define ZORL_ENGINE_TABLE_ENTRIES_H

#include <cstddef>
#include <string>
#include <vector>

#include "host/variable.h"

namespace zorl {

struct EntryRow;

// The row of a method signature that takes entries; null for the others.
const EntryRow* FindEntryRow(const std::string& signature);
// Whether parameter i holds entries (the row's warning speaks for it).
bool HoldsEntries(const EntryRow& row, std::size_t i);
// The warning for the call's arguments, or "" when every entry fits.
std::string EntryWarning(const EntryRow& row,
                         const std::vector<Variable*>& args);

}  // namespace zorl

#endif
