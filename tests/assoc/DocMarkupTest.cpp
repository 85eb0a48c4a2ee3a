#include "platform/DocMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/Utf.h"

namespace lumivane {
namespace {

using Runs = std::vector<DocRun>;

DocRun Plain(const std::u16string& text) {
  return {text, false};
}
DocRun Bold(const std::u16string& text) {
  return {text, true};
}

std::string Show(const Runs& runs) {
  std::string out;
  for (const DocRun& r : runs)
    out += (r.bold ? "[b:" : "[") + ToUtf8(r.text) + "]";
  return out;
}

TEST(DocMarkupTest, ReadsTheDocumentationMarkup) {
  struct Case {
    const char* what;
    std::u16string html;
    Runs runs;
  };
  const Case cases[] = {
      {"empty page", u"", {}},
      {"document frame only", u"<!DOCTYPE html>\r\n<html>\r\n<body>\r\n</body>\r\n</html>\r\n", {}},
      {"heading then paragraphs",
       u"<html><body><b>Title</b><br><br>One.<br><br>Two.</body></html>",
       {Bold(u"Title"), Plain(u"\n\nOne.\n\nTwo.")}},
      {"tag names in any case, br written as XML",
       u"<B>T</B><BR/>a<br />b<Br\tclear=all>c",
       {Bold(u"T"), Plain(u"\na\nb\nc")}},
      {"strong counts as bold", u"<strong>T</strong>x", {Bold(u"T"), Plain(u"x")}},
      {"blank runs fold into one blank", u"a \r\n\t b", {Plain(u"a b")}},
      {"blanks at the start of a line vanish", u"<br>  a<br>\r\n b", {Plain(u"\na\nb")}},
      {"blank kept on the side of the bold change",
       u"a <b>b</b> c",
       {Plain(u"a "), Bold(u"b"), Plain(u" c")}},
      {"named entities", u"&lt;b&gt; &amp; &quot;q&quot;", {Plain(u"<b> & \"q\"")}},
      {"no-break space is not folded", u"a&nbsp;&nbsp;b", {Plain(u"a  b")}},
      {"numeric references", u"&#8217;&#x2019;&#X41;&#128512;", {Plain(u"\u2019\u2019A\U0001F600")}},
      {"an ampersand that starts no reference stays",
       u"a & b &amp c &#; &#xZ; &#1114112;",
       {Plain(u"a & b &amp c &#; &#xZ; &#1114112;")}},
      {"comments are dropped, also across tags", u"a<!-- <b>x</b> -->b<!---->c", {Plain(u"abc")}},
      {"an unfinished comment ends the page", u"a<!-- b<br>c", {Plain(u"a")}},
      {"an unfinished tag ends the page", u"a<br>b<b", {Plain(u"a\nb")}},
      {"a lone less-than sign is text", u"x < 5 and y > 2, a<3", {Plain(u"x < 5 and y > 2, a<3")}},
      {"nested bold ends with the outer end tag", u"<b>a<b>b</b>c</b>d</b>e", {Bold(u"abc"), Plain(u"de")}},
      {"the title, styles and scripts are not shown",
       u"<html><head><title>T</titles></TITLE ><style>b{x:1}</style></head><body><script>if(a<b)x()</script>"
       u"Text</body></html>",
       {Plain(u"Text")}},
      {"other tags are dropped with their attributes",
       u"<p>a</p><p class=\"x\">b</p><i>c</i>",
       {Plain(u"a\nb\nc")}},
      {"trailing breaks add nothing", u"a<br><br><b></b><br>", {Plain(u"a")}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Show(ParseDocMarkup(c.html)), Show(c.runs)) << c.what;
}

} // namespace
} // namespace lumivane
