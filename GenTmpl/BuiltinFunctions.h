// The pattern functions that need no external source: the direct ones
// (computed on every call) and the stateful nodes.
#pragma once

#include <cstdint>

class FunctionTable;

void RegisterDirectFunctions(FunctionTable& table);
void RegisterNodeFunctions(FunctionTable& table);

// Nested $Call levels allowed before a named generator counts as calling
// itself without end.
constexpr int kMaxCallDepth = 16;
