// The schema check's findings in words: what each difference between a data
// rule and its table means, and the whole list as text that the window's
// copy command puts on the clipboard (tab-separated, so it pastes into a
// spreadsheet as columns and reads plainly in a mail or a ticket).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/Generator.h"

// The meaning of a SchemaDifference kind.
std::string_view SchemaDifferenceText(int kind);
// "Table\tColumn\tDifference" and one line per difference, each ended by "\n".
std::string SchemaDifferencesText(const std::vector<SchemaDifference>& differences);
