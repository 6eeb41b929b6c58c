#include "GenTmpl/FunctionTable.h"

#include <array>

#include "GenTmpl/BuiltinFunctions.h"
#include "GenTmpl/DataSourceFunctions.h"
#include "support/TextUtil.h"

const FunctionTable& FunctionTable::Instance() {
  static const FunctionTable table = [] {
    FunctionTable t;
    RegisterDirectFunctions(t);
    RegisterNodeFunctions(t);
    RegisterDataSourceFunctions(t);
    return t;
  }();
  return table;
}

void FunctionTable::AddNode(std::string_view name, NodeFactory factory, bool raw, RowStateCheck carriesRowState) {
  entries_[ToLowerAscii(name)] = Entry{factory, nullptr, raw, carriesRowState};
}

void FunctionTable::AddDirect(std::string_view name, DirectFunction function, RowStateCheck carriesRowState) {
  entries_[ToLowerAscii(name)] = Entry{nullptr, function, false, carriesRowState};
}

const FunctionTable::Entry* FunctionTable::Find(std::string_view name) const {
  // Lower-cased on the stack: this runs for every call in every pattern.
  if (name.empty() || name.size() > kMaxNameLength) return nullptr;
  std::array<char, kMaxNameLength> lower;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  auto it = entries_.find(std::string(lower.data(), name.size()));
  return it == entries_.end() ? nullptr : &it->second;
}
