// Checks of the HTML the reports write: balanced elements and a flat form of
// the document for searching.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace htmlcheck {

// Every element that is opened is closed, in order (void "br" aside; the
// paragraphs of the fixed texts are closed by the next block, as HTML allows).
inline void ExpectBalanced(const std::string& html) {
  std::vector<std::string> stack;
  std::regex tag("<(/?)([a-zA-Z0-9]+)[^>]*>");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), tag); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    if (name == "br" || name == "meta") continue;
    if ((*it)[1].length() == 0) {
      stack.push_back(name);
    } else {
      ASSERT_FALSE(stack.empty()) << "stray </" << name << ">";
      EXPECT_EQ(stack.back(), name);
      stack.pop_back();
    }
  }
  EXPECT_TRUE(stack.empty());
}

// The document without its line breaks and indentation.
inline std::string Flat(const std::string& html) {
  std::string out;
  for (size_t i = 0; i < html.size(); ++i) {
    if (html[i] != '\n') {
      out += html[i];
      continue;
    }
    while (i + 1 < html.size() && html[i + 1] == ' ') ++i;
  }
  return out;
}

}  // namespace htmlcheck
