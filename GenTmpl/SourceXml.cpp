#include "GenTmpl/SourceXml.h"

#include <unistd.h>

#include <pugixml.hpp>

#include <new>

#include "GenTmpl/SourceFile.h"

namespace {

// The text below `node`, in document order, as a DOM's text property gives it.
std::string NodeText(const pugi::xml_node& node) {
  if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return node.value();
  std::string text;
  struct Collector : pugi::xml_tree_walker {
    std::string* out;
    bool for_each(pugi::xml_node& n) override {
      if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) *out += n.value();
      return true;
    }
  } collector;
  collector.out = &text;
  pugi::xml_node walked = node;
  walked.traverse(collector);
  return text;
}

}  // namespace

XmlSourceStatus SelectXmlTexts(const std::string& path, const std::string& xpath,
                               std::vector<std::string>& texts, std::string& error) {
  texts.clear();
  if (path.empty() || ::access(path.c_str(), R_OK) != 0) {
    error = "'" + path + "' can not be read";
    return XmlSourceStatus::kMissing;
  }
  std::string content;
  if (ReadSourceFile(path, content, error) != 0) return XmlSourceStatus::kNotLoaded;
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(content.data(), content.size());
  if (!parsed) {
    error = std::string(parsed.description()) + " at offset " + std::to_string(parsed.offset);
    return XmlSourceStatus::kNotLoaded;
  }
  // pugixml reports a bad expression, and running out of memory while
  // evaluating one, by throwing; neither may leave this function.
  try {
    const pugi::xpath_node_set nodes = doc.select_nodes(xpath.c_str());
    texts.reserve(nodes.size());
    for (const pugi::xpath_node& node : nodes)
      texts.push_back(node.attribute() ? node.attribute().value() : NodeText(node.node()));
  } catch (const pugi::xpath_exception& e) {
    error = "'" + xpath + "': " + e.what();
    texts.clear();
    return XmlSourceStatus::kBadXPath;
  } catch (const std::bad_alloc&) {
    error = "'" + xpath + "': out of memory";
    texts.clear();
    return XmlSourceStatus::kBadXPath;
  }
  return XmlSourceStatus::kOk;
}
