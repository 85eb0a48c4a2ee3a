#pragma once
// The documentation pages' small markup: bold (b) headings and line breaks (br) inside an
// html/body document. Everything else is dropped; entities &amp; &lt; &gt; &quot; &nbsp; are read.
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
