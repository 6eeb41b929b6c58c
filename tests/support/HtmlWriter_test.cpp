#include "support/HtmlWriter.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "tests/common/TestEnv.h"

namespace {

class HtmlWriterTest : public ::testing::Test {
 protected:
  pugi::xml_document Parse() {
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_doctype);
    EXPECT_TRUE(result) << result.description() << " at " << result.offset << "\n"
                        << testenv::ReadFile(path);
    return doc;
  }
  testenv::TempDir dir;
  std::string path = dir.file("out.xml");
};

TEST_F(HtmlWriterTest, XmlRowsWithAwkwardNamesAndValuesAreWellFormed) {
  const std::string awkward = "a<b>&\"c\" 'd'\r\n\ttab \x01 \xFF\xC3\xA4 end";
  {
    HTML html;
    ASSERT_EQ(html.Open(path), 0);
    html.HeadXML();
    html.OpenTag("objects");
    html.OpenTag("Table", "name", "my \"table\" & <co>");
    html.OpenTag("row");
    html.Tag("value", awkward, "field", "col\tname\n");
    html.Tag("2nd column", "x");   // not a valid XML name as it stands
    html.Tag("ok_name", "");
    html.CloseTag("row");
    html.OpenTag("row");
    html.Tag("value", "y", "field", "c");
    // Closing the table also closes the row left open inside it.
    EXPECT_EQ(html.CloseTag("Table"), 0);
    EXPECT_EQ(html.CloseTag("nosuch"), -1);
    EXPECT_EQ(html.Close(), 0);
  }
  pugi::xml_document doc = Parse();
  pugi::xml_node table = doc.child("objects").child("Table");
  EXPECT_STREQ(table.attribute("name").value(), "my \"table\" & <co>");
  pugi::xml_node row = table.child("row");
  EXPECT_STREQ(row.child("value").attribute("field").value(), "col\tname\n");
  EXPECT_STREQ(row.child("value").child_value(),
               "a<b>&\"c\" 'd'\r\n\ttab \xEF\xBF\xBD \xEF\xBF\xBD\xC3\xA4 end");
  EXPECT_STREQ(row.child("_2nd_column").child_value(), "x");
  EXPECT_TRUE(row.child("ok_name"));
  EXPECT_STREQ(row.next_sibling("row").child("value").child_value(), "y");
}

TEST_F(HtmlWriterTest, PageWithTablesIsWellFormedAndOrdered) {
  {
    HTML html;
    ASSERT_EQ(html.Open(path), 0);
    html.Head("Report <1>", "td { color: black; }");
    html.Raw("<h2>Heading</h2>\n");
    html.Table(1, 1, "width=\"100%\"");
    html.TableRow(1, 1);
    html.TableElem(1, "width=\"20%\"");
    html.Text("Attribute");
    html.TableElem(0);
    html.TableElem(1);
    html.Text("Value");
    html.TableElem(0);
    html.TableRow(0);
    html.TableRow(1, 0);
    html.TableElem(1);
    html.Text("a & b");
    html.TableElem(0);
    html.TableElem(1);  // left open: Close() ends it
    html.Text("open");
    EXPECT_EQ(html.Flush(), 0);
    EXPECT_EQ(html.Close(1), 0);
  }
  pugi::xml_document doc = Parse();
  pugi::xml_node html = doc.child("html");
  EXPECT_STREQ(html.child("head").child_value("title"), "Report <1>");
  pugi::xml_node body = html.child("body");
  EXPECT_STREQ(body.first_child().name(), "h2");
  pugi::xml_node table = body.child("table");
  EXPECT_STREQ(table.attribute("border").value(), "1");
  EXPECT_STREQ(table.child("tr").child("th").child_value(), "Attribute");
  EXPECT_STREQ(table.child("tr").child("th").attribute("width").value(), "20%");
  pugi::xml_node data = table.child("tr").next_sibling("tr");
  EXPECT_STREQ(data.child("td").child_value(), "a & b");
  EXPECT_STREQ(data.child("td").next_sibling("td").child_value(), "open");
}

TEST_F(HtmlWriterTest, BorrowedFileStaysOpenAndUnopenedWriterIsHarmless) {
  HTML idle;
  idle.OpenTag("x");
  EXPECT_EQ(idle.CloseTag("x"), -1);
  EXPECT_EQ(idle.Close(), 0);

  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  {
    HTML html;
    html.Attach(file);
    html.HeadXML();
    html.Tag("only", "1");
  }
  EXPECT_GE(std::fputs("<!-- still open -->\n", file), 0) << "writer must not close a borrowed file";
  std::fclose(file);
  EXPECT_STREQ(Parse().child_value("only"), "1");
  EXPECT_NE(HTML().Open(dir.file("missing/dir/x.html")), 0);
}

TEST(HtmlQuoting, ReplacesSpecialCharacters) {
  EXPECT_EQ(HTML::Quoting("<a href=\"x\">Tom & Jerry's</a>"),
            "&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&apos;s&lt;/a&gt;");
  EXPECT_EQ(HTML::Quoting("plain \xE2\x82\xAC"), "plain \xE2\x82\xAC");
  EXPECT_EQ(HTML::Quoting("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_EQ(HTML::Quoting("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong
  EXPECT_EQ(HTML::Quoting("cut \xE2\x82"), "cut \xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
