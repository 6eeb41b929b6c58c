// The pattern language's function names and what each one runs: a node
// factory for stateful functions (a node is built per call position in the
// compile pass, see FuncData.h) or a direct function that computes its value
// on every call. Names are matched without regard to ASCII case.
//
// The table is built once per process: the built-in functions first, then
// RegisterDataSourceFunctions adds the functions that read external sources.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "GenTmpl/FuncData.h"

class PatternEngine;

class FunctionTable {
 public:
  // Builds a node from its parameters; errors go through host.SetError and
  // the node is returned all the same (it then yields the empty text).
  using NodeFactory = std::unique_ptr<FuncData> (*)(FuncParams params, FuncHost& host);
  // Appends a direct function's value to `out`; `format` receives the value
  // format (date or time format) when the function sets one.
  using DirectFunction = void (*)(PatternEngine& engine, FuncParams params, std::string& out,
                                  std::string& format);

  // Whether a call with these parameters carries something from one row's
  // value to the next (a counter, a sequential position, the values already
  // given, a list drawn once), so that a row's value depends on the rows
  // before it.
  using RowStateCheck = bool (*)(FuncParams params);

  struct Entry {
    NodeFactory node = nullptr;      // set for stateful functions
    DirectFunction direct = nullptr;  // set for the others
    // The function receives the raw text between its parentheses as its one
    // parameter instead of the split list.
    bool raw = false;
    RowStateCheck carriesRowState = nullptr;  // null: never
  };

  // A RowStateCheck for functions that always carry state.
  static bool Always(FuncParams) { return true; }

  // The process-wide table with every function registered.
  static const FunctionTable& Instance();

  // Registers `name` (any case); a later registration of a name replaces the
  // earlier one.
  void AddNode(std::string_view name, NodeFactory factory, bool raw = false, RowStateCheck carriesRowState = nullptr);
  void AddDirect(std::string_view name, DirectFunction function, RowStateCheck carriesRowState = nullptr);

  // The entry for `name`, compared without regard to case, or null.
  const Entry* Find(std::string_view name) const;
  std::size_t size() const { return entries_.size(); }

 private:
  FunctionTable() = default;
  static constexpr std::size_t kMaxNameLength = 32;
  std::unordered_map<std::string, Entry> entries_;
};
