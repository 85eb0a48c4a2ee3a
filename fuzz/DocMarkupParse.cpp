// Arbitrary bytes, read as UTF-16 and as UTF-8, into ParseDocMarkup: the runs must be well formed,
// and writing them back as markup must read to the same runs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/DocMarkup.h"
#include "text/Utf.h"

namespace {

using lumivane::DocRun;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every blank as &nbsp; so that none is folded on the way back.
std::u16string Markup(const std::vector<DocRun>& runs) {
  std::u16string html;
  for (const DocRun& run : runs) {
    if (run.bold) html += u"<b>";
    for (char16_t c : run.text) {
      if (c == u'\n')
        html += u"<br>";
      else if (c == u' ')
        html += u"&nbsp;";
      else if (c == u'&')
        html += u"&amp;";
      else if (c == u'<')
        html += u"&lt;";
      else
        html += c;
    }
    if (run.bold) html += u"</b>";
  }
  return html;
}

void Exercise(const std::u16string& html) {
  const std::vector<DocRun> runs = lumivane::ParseDocMarkup(html);
  for (size_t i = 0; i < runs.size(); ++i) {
    Check(!runs[i].text.empty());
    Check(i == 0 || runs[i].bold != runs[i - 1].bold);
    Check(runs[i].text.find_first_of(u"\r\t\f") == std::u16string::npos);
  }
  Check(runs.empty() || runs.back().text.back() != u'\n');
  Check(lumivane::ParseDocMarkup(Markup(runs)) == runs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string wide;
  wide.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2)
    wide += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  Exercise(wide);
  Exercise(lumivane::FromUtf8(std::string(reinterpret_cast<const char*>(data), size)));
  return 0;
}
