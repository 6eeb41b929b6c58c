#include "quarnel/ProjectTools.h"

#include <string_view>

#include "project/ProjectDocument.h"
#include "support/Prompt.h"
#include "support/TextUtil.h"

std::string ReplaceOwner(const std::string& name, const std::string& schema) {
  // The dot inside a quoted name ("my.schema".orders) is part of the name.
  char quote = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '`') {
      quote = c;
    } else if (c == '[') {
      quote = ']';
    } else if (c == '.') {
      return i == 0 ? name : schema + name.substr(i);
    }
  }
  return name;
}

int MigrateProject(ProjectDocument& document, const std::string& newSchema, const std::string& newLinkedSchema) {
  int changes = 0;
  const auto migrate = [&](std::string& name, const std::string& schema) {
    if (schema.empty()) return;
    std::string moved = ReplaceOwner(name, schema);
    if (moved == name) return;
    name = std::move(moved);
    ++changes;
  };
  for (Rule& rule : document.project().rules) {
    migrate(rule.TabName, newSchema);
    for (ColumnRule& column : rule.Fields)
      if (column.Method == kMethodLinkedTable) migrate(column.Table, newLinkedSchema);
  }
  if (changes > 0) document.setModified(true);
  return changes;
}

namespace {

bool SameText(std::string_view a, std::string_view b, bool ignoreCase) {
  return ignoreCase ? EqualsNoCase(a, b) : a == b;
}

}  // namespace

bool MatchesNamedGen(const NamedGenCriteria& criteria, const std::string& name, int position,
                     const std::string& typeName) {
  if (criteria.byPosition && position == LeadingInteger(criteria.position)) return true;
  if (criteria.byName) {
    const std::string_view text = criteria.name;
    const bool ignoreCase = criteria.ignoreCase;
    const size_t n = text.size();
    switch (criteria.match) {
      case NamedGenCriteria::kExact:
        return SameText(name, text, ignoreCase);
      case NamedGenCriteria::kStartWith:
        return name.size() >= n && SameText(std::string_view(name).substr(0, n), text, ignoreCase);
      case NamedGenCriteria::kEndWith:
        return name.size() >= n && SameText(std::string_view(name).substr(name.size() - n), text, ignoreCase);
      default:
        return ignoreCase ? ToLowerAscii(name).find(ToLowerAscii(text)) != std::string::npos
                          : name.find(text) != std::string::npos;
    }
  }
  return criteria.byType && typeName == criteria.typeName;
}

int ApplyNamedGenerator(ProjectDocument& document, const std::string& generator, const NamedGenCriteria& criteria,
                        Prompt* prompt) {
  Prompt& out = prompt ? *prompt : CurrentPrompt();
  const char* problem = nullptr;
  if (criteria.byName && criteria.name.empty()) problem = "You must specify column name or it's pert.";
  else if (criteria.byPosition && LeadingInteger(criteria.position) < 1)
    problem = "You must specify position as positive integer.";
  else if (criteria.byType && criteria.typeName.empty()) problem = "You must specify data type.";
  if (problem) {
    out.Message("Warning!", problem, PromptIcon::kWarning);
    return -1;
  }
  int changes = 0;
  for (Rule& rule : document.project().rules) {
    int position = 0;
    for (ColumnRule& column : rule.Fields) {
      if (!MatchesNamedGen(criteria, column.Name, ++position, column.TypeName) || column.NamedGen == generator)
        continue;
      column.NamedGen = generator;
      ++changes;
    }
  }
  if (changes > 0) {
    document.setModified(true);
    out.Message("Apply Named Generator", std::to_string(changes) + " changes made.", PromptIcon::kInformation);
  } else {
    out.Message("Apply Named Generator", "No fields found to change.", PromptIcon::kInformation);
  }
  return changes;
}
