#pragma once
// The documentation pages' small markup: bold (b) headings and line breaks (br) inside an
// html/body document. Everything else is dropped, the text of title, style and script elements
// with it; &amp; &lt; &gt; &quot; &nbsp; and numeric references (&#8217; &#x2019;) are read.
#include <string>
#include <vector>

namespace lumivane {

struct DocRun {
  std::u16string text; // may hold "\n" for a line break
  bool bold = false;
  bool operator==(const DocRun&) const = default;
};

std::vector<DocRun> ParseDocMarkup(const std::u16string& html);

} // namespace lumivane
