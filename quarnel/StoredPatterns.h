// The pattern forms in which the rule editor stores its "Computed" and
// "Custom Generator" choices: a computed column keeps its expression as
// "$$(expression)" in `Mask`, a custom generator its shared library and
// parameters as "$DLL(library,parameters)". The run evaluates both as the
// pattern functions they are; the editor reads them back into its fields.
#pragma once

#include <string>

std::string ComputedPattern(const std::string& expression);
// The expression of a "$$(...)" pattern; false (and `expression` untouched)
// for any other text.
bool ComputedExpression(const std::string& pattern, std::string* expression);

// "$DLL(library)" or "$DLL(library,parameters)".
std::string CustomGeneratorPattern(const std::string& library, const std::string& parameters);
// Splits a "$DLL(...)" pattern at its first ","; false for any other text.
bool CustomGeneratorParts(const std::string& pattern, std::string* library, std::string* parameters);
