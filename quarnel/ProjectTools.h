// Tools that change a whole project in memory: moving its tables to another
// schema (owner), and giving a named generator to every column rule that
// matches a name, position or type criterion. Saving stays the usual save.
#pragma once

#include <string>

class Prompt;
class ProjectDocument;

// Replaces the owner part of the rules' target tables with `newSchema` and of
// the linked tables (fill method Linked Database Table) with
// `newLinkedSchema`; an empty schema leaves those names alone, and names
// without an owner part get none. Marks the document modified when a name
// changed. Returns the number of names changed.
int MigrateProject(ProjectDocument& document, const std::string& newSchema, const std::string& newLinkedSchema);

// The owner part of `name` replaced by `schema`: the part before the first
// "." outside identifier quotes, when that "." is not the first character.
// Otherwise `name` as it is.
std::string ReplaceOwner(const std::string& name, const std::string& schema);

// How a named generator is matched to columns; the check boxes and texts of
// the apply dialog.
struct NamedGenCriteria {
  enum Match { kExact = 0, kStartWith = 1, kEndWith = 2, kSubstring = 3 };
  bool byName = false;
  std::string name;
  int match = kExact;
  bool ignoreCase = false;
  bool byPosition = false;
  std::string position;  // 1-based column position, as typed
  bool byType = false;
  std::string typeName;
};

// Whether the column named `name` of type `typeName` at 1-based `position`
// matches. REQUIRES: criteria that passed ApplyNamedGenerator's checks.
bool MatchesNamedGen(const NamedGenCriteria& criteria, const std::string& name, int position,
                     const std::string& typeName);

// Sets NamedGen of every matching column rule to `generator`. Invalid criteria
// are reported under "Warning!" and change nothing (returns -1); otherwise the
// count of changes is reported under "Apply Named Generator" and returned.
// A null `prompt` means the current prompt.
int ApplyNamedGenerator(ProjectDocument& document, const std::string& generator, const NamedGenCriteria& criteria,
                        Prompt* prompt = nullptr);
