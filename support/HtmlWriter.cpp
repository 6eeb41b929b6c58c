#include "support/HtmlWriter.h"

#include <cerrno>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not valid.
size_t Utf8Length(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  unsigned min;
  unsigned code;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, min = 0x80, code = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, min = 0x800, code = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, min = 0x10000, code = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE ||
      code == 0xFFFF) {
    return 0;
  }
  return n;
}

// Appends `text` escaped for XML. Attribute values also keep their tabs and
// line ends as character references, which parsers would turn into blanks.
void AppendQuoted(std::string& out, std::string_view text, bool attribute) {
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      size_t n = Utf8Length(text, i);
      if (n == 0) {
        out += kReplacement;
        ++i;
      } else {
        out.append(text.substr(i, n));
        i += n;
      }
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\r': out += "&#13;"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += kReplacement;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
}

bool NameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool NameChar(unsigned char c) {
  return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

}  // namespace

HTML::~HTML() { Close(1); }

int HTML::Open(const std::string& path) {
  Close(0);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return errno;
  file_ = file;
  owned_ = true;
  atLineStart_ = true;
  return 0;
}

void HTML::Attach(std::FILE* file) {
  Close(0);
  file_ = file;
  owned_ = false;
  atLineStart_ = true;
}

std::string HTML::Quoting(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  AppendQuoted(out, text, false);
  return out;
}

std::string HTML::AttributeQuoting(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  AppendQuoted(out, text, true);
  return out;
}

void HTML::PutQuoted(std::string_view text, bool attribute) {
  buffer_.clear();
  AppendQuoted(buffer_, text, attribute);
  Put(buffer_);
}

void HTML::PutName(std::string_view name) {
  buffer_.clear();
  if (name.empty() || !NameStart(static_cast<unsigned char>(name[0]))) buffer_ += '_';
  for (char c : name) buffer_ += NameChar(static_cast<unsigned char>(c)) ? c : '_';
  Put(buffer_);
}

void HTML::Indent() {
  if (!atLineStart_) return;
  static constexpr std::string_view kSpaces = "                                ";
  size_t depth = open_.size() * 2;
  while (depth > 0) {
    size_t n = depth < kSpaces.size() ? depth : kSpaces.size();
    Put(kSpaces.substr(0, n));
    depth -= n;
  }
}

void HTML::StartElement(std::string_view tag, std::string_view attributes, bool rawAttributes,
                        std::string_view attrValue) {
  WriteStartTag(tag, attributes, rawAttributes, attrValue);
  open_.emplace_back(tag);
}

void HTML::WriteStartTag(std::string_view tag, std::string_view attributes, bool rawAttributes,
                         std::string_view attrValue) {
  Indent();
  Put("<");
  PutName(tag);
  if (!attributes.empty()) {
    Put(" ");
    if (rawAttributes) {
      Put(attributes);
    } else {
      PutName(attributes);
      Put("=\"");
      PutQuoted(attrValue, true);
      Put("\"");
    }
  }
  Put(">");
}

void HTML::EndElement() {
  const std::string tag = std::move(open_.back());
  open_.pop_back();
  Indent();
  Put("</");
  PutName(tag);
  Put(">\n");
}

void HTML::HeadXML() {
  if (file_) Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

void HTML::Head(std::string_view title, std::string_view style) {
  if (!file_) return;
  Put("<!DOCTYPE html>\n");
  StartElement("html", "xmlns=\"http://www.w3.org/1999/xhtml\"", true, {});
  Put("\n<head>\n<meta charset=\"UTF-8\"/>\n<title>");
  PutQuoted(title, false);
  Put("</title>\n");
  if (!style.empty()) {
    Put("<style>");
    PutQuoted(style, false);
    Put("</style>\n");
  }
  Put("</head>\n");
  StartElement("body", {}, false, {});
  Put("\n");
}

void HTML::OpenTag(std::string_view tag, std::string_view attrName, std::string_view attrValue) {
  if (!file_) return;
  StartElement(tag, attrName, false, attrValue);
  Put("\n");
}

void HTML::Tag(std::string_view tag, std::string_view content, std::string_view attrName,
               std::string_view attrValue) {
  if (!file_) return;
  // Written whole, without a trip through the element stack: this runs per value.
  WriteStartTag(tag, attrName, false, attrValue);
  PutQuoted(content, false);
  Put("</");
  PutName(tag);
  Put(">\n");
}

int HTML::CloseTag(std::string_view tag) {
  if (!file_ || open_.empty()) return -1;
  size_t depth = open_.size();
  if (!tag.empty()) {
    while (depth > 0 && open_[depth - 1] != tag) --depth;
    if (depth == 0) return -1;
  }
  // Elements opened inside the one being closed would otherwise leave the
  // document malformed.
  while (open_.size() >= depth) EndElement();
  return 0;
}

void HTML::Text(std::string_view text) {
  if (file_) PutQuoted(text, false);
}

void HTML::Raw(std::string_view markup) {
  if (file_) Put(markup);
}

void HTML::Table(int open, int n, std::string_view attributes) {
  if (!file_) return;
  if (!open) {
    CloseTag("table");
    return;
  }
  std::string attrs(attributes);
  if (n > 0) {
    if (!attrs.empty()) attrs += ' ';
    attrs += "border=\"" + std::to_string(n) + "\"";
  }
  StartElement("table", attrs, true, {});
  Put("\n");
}

void HTML::TableRow(int open, int n, std::string_view attributes) {
  if (!file_) return;
  if (!open) {
    CloseTag("tr");
    return;
  }
  headerRow_ = n != 0;
  StartElement("tr", attributes, true, {});
  Put("\n");
}

void HTML::TableElem(int open, std::string_view attributes) {
  if (!file_) return;
  if (!open) {
    // The cell's own name, whatever the row's kind says now.
    if (!open_.empty() && (open_.back() == "th" || open_.back() == "td")) {
      std::string tag = std::move(open_.back());
      open_.pop_back();
      Put("</");
      Put(tag);
      Put(">\n");
    }
    return;
  }
  Indent();
  Put(headerRow_ ? "<th" : "<td");
  if (!attributes.empty()) {
    Put(" ");
    Put(attributes);
  }
  Put(">");
  open_.emplace_back(headerRow_ ? "th" : "td");
}

int HTML::Flush() {
  if (!file_) return 0;
  errno = 0;
  if (std::fflush(file_) != 0 || std::ferror(file_)) return errno ? errno : EIO;
  return 0;
}

int HTML::Close(int closeElements) {
  if (!file_) return 0;
  if (closeElements) {
    while (!open_.empty()) EndElement();
  }
  open_.clear();
  int rc = Flush();
  if (owned_ && std::fclose(file_) != 0 && rc == 0) rc = errno;
  file_ = nullptr;
  owned_ = false;
  return rc;
}
