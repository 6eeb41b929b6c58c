// XML files as pattern-function sources: the texts of the nodes an XPath
// expression selects.
#pragma once

#include <string>
#include <vector>

enum class XmlSourceStatus {
  kOk,
  kMissing,      // the file is not there or can not be read
  kNotLoaded,    // not well-formed XML (or too large, or not a regular file)
  kBadXPath,     // the expression does not compile or does not select nodes
};

// Loads `path` and collects into `texts` the text of every node `xpath`
// selects: an attribute's value, a text node's text, or the concatenated text
// below an element. `error` receives the reason of any status but kOk.
XmlSourceStatus SelectXmlTexts(const std::string& path, const std::string& xpath,
                               std::vector<std::string>& texts, std::string& error);
