// HTML: writes XML and XHTML documents element by element, in call order,
// into a buffered file it owns (Open) or borrows (Attach).
//
// The writer keeps the stack of open elements: CloseTag closes the named
// element and any element opened inside it that is still open, and Close(1)
// closes all of them, so the markup it writes is well-formed. Element names
// are made valid XML names (other characters become "_", a leading digit gets
// a "_" before it); contents and attribute values are escaped, and bytes that
// XML can not carry (control characters, broken UTF-8) become U+FFFD.
// Attribute texts handed to Table, TableRow and TableElem, and Raw() markup,
// are written as given: the caller vouches for them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class HTML {
 public:
  HTML() = default;
  ~HTML();
  HTML(const HTML&) = delete;
  HTML& operator=(const HTML&) = delete;

  // Creates or truncates `path` and owns the file. Returns 0 or an errno value.
  int Open(const std::string& path);
  // Writes into `file`, which the caller keeps open and closes.
  void Attach(std::FILE* file);
  bool IsOpen() const { return file_ != nullptr; }

  // The XML declaration (UTF-8).
  void HeadXML();
  // An XHTML page head with `title` and an optional style sheet text; opens
  // the html and body elements.
  void Head(std::string_view title, std::string_view style = {});

  void OpenTag(std::string_view tag, std::string_view attrName = {}, std::string_view attrValue = {});
  // A whole element with escaped `content`.
  void Tag(std::string_view tag, std::string_view content, std::string_view attrName = {},
           std::string_view attrValue = {});
  // Closes `tag` (the innermost element when empty). Returns 0, or -1 when no
  // such element is open (nothing is written then).
  int CloseTag(std::string_view tag = {});
  // Escaped character data inside the current element.
  void Text(std::string_view text);
  // Markup written as given.
  void Raw(std::string_view markup);

  // open 1 starts the element with the attribute text, 0 closes it. A table
  // gets border="n" when n > 0; a row with n set is a header row whose cells
  // are written as th.
  void Table(int open, int n = 0, std::string_view attributes = {});
  void TableRow(int open, int n = 0, std::string_view attributes = {});
  void TableElem(int open, std::string_view attributes = {});

  // Both return 0, or an errno value when something could not be written.
  int Flush();
  // With `closeElements` set, first closes every element still open; then
  // flushes and, when owned, closes the file.
  int Close(int closeElements = 1);

  // `text` with & < > " ' replaced by entities (and CR as a character
  // reference), ready for content or attribute values.
  static std::string Quoting(std::string_view text);
  // As Quoting, for an attribute value: line ends and tabs become character
  // references, since a reader turns them raw into blanks.
  static std::string AttributeQuoting(std::string_view text);

 private:
  void Indent();
  void Put(std::string_view text) {
    if (text.empty()) return;
    std::fwrite(text.data(), 1, text.size(), file_);
    atLineStart_ = text.back() == '\n';
  }
  void PutQuoted(std::string_view text, bool attribute);
  void PutName(std::string_view name);
  void StartElement(std::string_view tag, std::string_view attributes, bool rawAttributes,
                    std::string_view attrValue);
  void WriteStartTag(std::string_view tag, std::string_view attributes, bool rawAttributes,
                     std::string_view attrValue);
  void EndElement();

  std::FILE* file_ = nullptr;
  bool owned_ = false;
  bool headerRow_ = false;
  bool atLineStart_ = true;  // indentation only where it can not become content
  std::vector<std::string> open_;
  std::string buffer_;  // reused for escaping, so a row costs no allocation
};
