#include "platform/DocMarkup.h"

#include <cstdint>

namespace lumivane {

namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The tag's name in lower case, with a leading "/" for an end tag; "br/" and "br /" give "br".
std::u16string TagName(const std::u16string& tag) {
  std::u16string name;
  size_t i = 0;
  while (i < tag.size() && IsSpace(tag[i]))
    ++i;
  if (i < tag.size() && tag[i] == u'/') {
    name += u'/';
    ++i;
  }
  while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != u'/')
    name += LowerAscii(tag[i++]);
  return name;
}

struct Builder {
  std::vector<DocRun> runs;
  bool bold = false;
  bool pendingSpace = false;

  bool AtLineStart() const {
    return runs.empty() || runs.back().text.empty() || runs.back().text.back() == u'\n';
  }
  void Put(const std::u16string& text) {
    if (text.empty()) return;
    if (runs.empty() || runs.back().bold != bold) runs.push_back(DocRun{std::u16string(), bold});
    runs.back().text += text;
  }
  void Char(char16_t c) {
    if (IsSpace(c)) {
      pendingSpace = true;
      return;
    }
    if (pendingSpace && !AtLineStart()) Put(u" ");
    pendingSpace = false;
    Put(std::u16string(1, c));
  }
  void Break() {
    pendingSpace = false;
    Put(u"\n");
  }
};

bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Appends the code point of a numeric reference ("&#8217;", "&#x2019;") found at text[i] and moves
// i past it; false, and nothing moved, when there is none or it names no character.
bool NumericReference(const std::u16string& text, size_t& i, std::u16string& out) {
  size_t at = i + 2;
  if (text.compare(i, 2, u"&#") != 0) return false;
  const bool hex = at < text.size() && (text[at] == u'x' || text[at] == u'X');
  if (hex) ++at;
  uint32_t value = 0;
  size_t digits = 0;
  for (; at < text.size(); ++at, ++digits) {
    const char16_t c = text[at];
    uint32_t d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (hex && LowerAscii(c) >= u'a' && LowerAscii(c) <= u'f')
      d = LowerAscii(c) - u'a' + 10;
    else
      break;
    value = value * (hex ? 16 : 10) + d;
    if (value > 0x10FFFF) return false; // also keeps the sum from wrapping
  }
  if (digits == 0 || at >= text.size() || text[at] != u';') return false;
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return false;
  if (value > 0xFFFF) {
    value -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (value >> 10));
    out += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
  } else {
    out += static_cast<char16_t>(value);
  }
  i = at + 1;
  return true;
}

// Reads the reference at text[i] ('&') and moves i past it; "&" alone when it starts none.
std::u16string Entity(const std::u16string& text, size_t& i) {
  static const struct {
    const char16_t* name;
    char16_t c;
  } kEntities[] = {
      {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&nbsp;", u'\u00a0'}};
  for (const auto& e : kEntities) {
    std::u16string name = e.name;
    if (text.compare(i, name.size(), name) == 0) {
      i += name.size();
      return std::u16string(1, e.c);
    }
  }
  std::u16string out;
  if (NumericReference(text, i, out)) return out;
  ++i;
  return u"&";
}

// Where the raw text of a title, style or script element that starts at i ends: just past its end
// tag, or the end of the page when it has none.
size_t SkipRawText(const std::u16string& html, size_t i, const std::u16string& name) {
  for (size_t at = html.find(u"</", i); at != std::u16string::npos; at = html.find(u"</", at + 2)) {
    size_t k = 0;
    while (k < name.size() && at + 2 + k < html.size() && LowerAscii(html[at + 2 + k]) == name[k])
      ++k;
    const size_t after = at + 2 + k;
    if (k < name.size() ||
        (after < html.size() && !IsSpace(html[after]) && html[after] != u'>' && html[after] != u'/'))
      continue;
    const size_t end = html.find(u'>', after);
    return end == std::u16string::npos ? html.size() : end + 1;
  }
  return html.size();
}

} // namespace

std::vector<DocRun> ParseDocMarkup(const std::u16string& html) {
  Builder out;
  int boldDepth = 0; // nested b elements end with the outermost end tag
  size_t i = 0;
  while (i < html.size()) {
    char16_t c = html[i];
    // As in HTML, "<" opens markup only before a letter, "/", "!" or "?"; otherwise it is text.
    const char16_t next = i + 1 < html.size() ? html[i + 1] : u'\0';
    if (c == u'<' && (IsAsciiLetter(next) || next == u'/' || next == u'!' || next == u'?')) {
      if (html.compare(i, 4, u"<!--") == 0) {
        size_t end = html.find(u"-->", i + 4);
        i = end == std::u16string::npos ? html.size() : end + 3;
        continue;
      }
      size_t end = html.find(u'>', i + 1);
      if (end == std::u16string::npos) break; // an unfinished tag ends the page
      std::u16string name = TagName(html.substr(i + 1, end - i - 1));
      i = end + 1;
      if (name == u"b" || name == u"strong") {
        if (out.pendingSpace && !out.AtLineStart()) out.Put(u" ");
        out.pendingSpace = false;
        ++boldDepth;
      } else if (name == u"/b" || name == u"/strong") {
        if (boldDepth > 0) --boldDepth;
      } else if (name == u"br") {
        out.Break();
      } else if (name == u"p" || name == u"/p") {
        if (!out.AtLineStart()) out.Break();
      } else if (name == u"title" || name == u"style" || name == u"script") {
        i = SkipRawText(html, i, name);
      }
      out.bold = boldDepth > 0;
      continue;
    }
    if (c == u'&') {
      const std::u16string e = Entity(html, i);
      if (e == u"\u00a0") {
        if (out.pendingSpace && !out.AtLineStart()) out.Put(u" ");
        out.pendingSpace = false;
        out.Put(u" ");
      } else if (e.size() == 2) {
        // A surrogate pair: one character.
        out.Char(e[0]);
        out.Put(e.substr(1));
      } else {
        out.Char(e[0]);
      }
      continue;
    }
    out.Char(c);
    ++i;
  }
  // Trailing breaks add nothing to a page.
  while (!out.runs.empty()) {
    std::u16string& t = out.runs.back().text;
    while (!t.empty() && t.back() == u'\n')
      t.pop_back();
    if (!t.empty()) break;
    out.runs.pop_back();
  }
  return out.runs;
}

} // namespace lumivane
