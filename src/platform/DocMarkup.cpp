#include "platform/DocMarkup.h"

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

// Reads the entity at text[i] ('&'); returns the character and moves i past it, or '&' alone.
char16_t Entity(const std::u16string& text, size_t& i) {
  static const struct {
    const char16_t* name;
    char16_t c;
  } kEntities[] = {
      {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&nbsp;", u'\u00a0'}};
  for (const auto& e : kEntities) {
    std::u16string name = e.name;
    if (text.compare(i, name.size(), name) == 0) {
      i += name.size();
      return e.c;
    }
  }
  ++i;
  return u'&';
}

} // namespace

std::vector<DocRun> ParseDocMarkup(const std::u16string& html) {
  Builder out;
  size_t i = 0;
  while (i < html.size()) {
    char16_t c = html[i];
    if (c == u'<') {
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
        out.bold = true;
      } else if (name == u"/b" || name == u"/strong") {
        out.bold = false;
      } else if (name == u"br") {
        out.Break();
      } else if (name == u"p" || name == u"/p") {
        if (!out.AtLineStart()) out.Break();
      }
      continue;
    }
    if (c == u'&') {
      char16_t e = Entity(html, i);
      if (e == u'\u00a0') {
        if (out.pendingSpace && !out.AtLineStart()) out.Put(u" ");
        out.pendingSpace = false;
        out.Put(u" ");
      } else {
        out.Char(e);
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
