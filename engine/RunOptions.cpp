#include "engine/RunOptions.h"

#include "project/Project.h"

std::string RunOptions::Variable(std::string_view text) const {
  if (text.empty() || (text.front() != '#' && text.front() != '@')) return std::string(text);
  static const std::vector<ProjectVariable> kNone;
  return VariableValue(text, project ? project->localVars : kNone, globalVars ? *globalVars : kNone);
}
