// JSON reader and writers over UTF-16 text.
#include "assoc/JsonText.h"

namespace lumivane::json {

namespace {

class Reader {
 public:
  explicit Reader(const std::u16string& s) : s_(s) {}

  bool Document(Value& out) {
    SkipBlanks();
    if (!Object(out, 0)) return false;
    SkipBlanks();
    return pos_ == s_.size();
  }

 private:
  bool AtEnd() const { return pos_ >= s_.size(); }
  char16_t Peek() const { return AtEnd() ? char16_t(0) : s_[pos_]; }

  void SkipBlanks() {
    while (!AtEnd() && (s_[pos_] == u' ' || s_[pos_] == u'\t' || s_[pos_] == u'\r' || s_[pos_] == u'\n'))
      ++pos_;
  }

  bool Consume(char16_t c) {
    if (AtEnd() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  bool Object(Value& out, int depth) {
    if (depth >= kMaxDepth || !Consume(u'{')) return false;
    out.type = Value::Type::Object;
    SkipBlanks();
    if (Consume(u'}')) return true;
    for (;;) {
      SkipBlanks();
      std::u16string name;
      if (!String(name)) return false;
      SkipBlanks();
      if (!Consume(u':')) return false;
      SkipBlanks();
      Value member;
      if (!Any(member, depth + 1)) return false;
      out.members.push_back({std::move(name), std::move(member)});
      SkipBlanks();
      if (Consume(u'}')) return true;
      if (!Consume(u',')) return false;
    }
  }

  bool Array(Value& out, int depth) {
    if (depth >= kMaxDepth || !Consume(u'[')) return false;
    out.type = Value::Type::Other;
    out.text = u"[";
    SkipBlanks();
    if (Consume(u']')) {
      out.text += u']';
      return true;
    }
    for (bool first = true;; first = false) {
      SkipBlanks();
      Value element;
      if (!Any(element, depth + 1)) return false;
      if (!first) out.text += u',';
      out.text += Compact(element);
      SkipBlanks();
      if (Consume(u']')) {
        out.text += u']';
        return true;
      }
      if (!Consume(u',')) return false;
    }
  }

  bool Any(Value& out, int depth) {
    switch (Peek()) {
    case u'{':
      return Object(out, depth);
    case u'[':
      return Array(out, depth);
    case u'"':
      out.type = Value::Type::String;
      return String(out.text);
    case u't':
      return Word(u"true", out);
    case u'f':
      return Word(u"false", out);
    case u'n':
      return Word(u"null", out);
    default:
      return Number(out);
    }
  }

  bool Word(const std::u16string& word, Value& out) {
    if (s_.compare(pos_, word.size(), word) != 0) return false;
    pos_ += word.size();
    out.type = Value::Type::Other;
    out.text = word;
    return true;
  }

  static bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

  bool Number(Value& out) {
    size_t start = pos_;
    Consume(u'-');
    if (Consume(u'0')) {
    } else if (IsDigit(Peek())) {
      while (IsDigit(Peek()))
        ++pos_;
    } else {
      return false;
    }
    if (Consume(u'.')) {
      if (!IsDigit(Peek())) return false;
      while (IsDigit(Peek()))
        ++pos_;
    }
    if (Peek() == u'e' || Peek() == u'E') {
      ++pos_;
      if (Peek() == u'+' || Peek() == u'-') ++pos_;
      if (!IsDigit(Peek())) return false;
      while (IsDigit(Peek()))
        ++pos_;
    }
    out.type = Value::Type::Other;
    out.text = s_.substr(start, pos_ - start);
    return true;
  }

  static int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  }

  // Raw control characters are taken as they are: the writer's CR LF for U+0000 needs that.
  // \uXXXX yields its code unit as is, so surrogate pairs (and lone surrogates) pass through.
  bool String(std::u16string& out) {
    if (!Consume(u'"')) return false;
    for (;;) {
      if (AtEnd()) return false;
      char16_t c = s_[pos_++];
      if (c == u'"') return true;
      if (c != u'\\') {
        out += c;
        continue;
      }
      if (AtEnd()) return false;
      switch (s_[pos_++]) {
      case u'"':
        out += u'"';
        break;
      case u'\\':
        out += u'\\';
        break;
      case u'/':
        out += u'/';
        break;
      case u'b':
        out += u'\b';
        break;
      case u'f':
        out += u'\f';
        break;
      case u'n':
        out += u'\n';
        break;
      case u'r':
        out += u'\r';
        break;
      case u't':
        out += u'\t';
        break;
      case u'u': {
        if (s_.size() - pos_ < 4) return false;
        unsigned unit = 0;
        for (int k = 0; k < 4; ++k) {
          int d = HexDigit(s_[pos_++]);
          if (d < 0) return false;
          unit = unit * 16 + static_cast<unsigned>(d);
        }
        out += static_cast<char16_t>(unit);
        break;
      }
      default:
        return false;
      }
    }
  }

  const std::u16string& s_;
  size_t pos_ = 0;
};

void AppendIndent(std::u16string& out, int level) {
  out.append(static_cast<size_t>(level) * 2, u' ');
}

void AppendPretty(std::u16string& out, const Value& v, int level) {
  if (v.type != Value::Type::Object) {
    if (v.type == Value::Type::String)
      AppendQuoted(out, v.text);
    else
      out += v.text;
    return;
  }
  out += u"{\r\n";
  for (size_t i = 0; i < v.members.size(); ++i) {
    AppendIndent(out, level + 1);
    AppendQuoted(out, v.members[i].name);
    out += u": ";
    AppendPretty(out, v.members[i].value, level + 1);
    if (i + 1 < v.members.size()) out += u',';
    out += u"\r\n";
  }
  AppendIndent(out, level);
  out += u'}';
}

void AppendCompact(std::u16string& out, const Value& v) {
  switch (v.type) {
  case Value::Type::String:
    AppendQuoted(out, v.text);
    return;
  case Value::Type::Other:
    out += v.text;
    return;
  case Value::Type::Object:
    out += u'{';
    for (size_t i = 0; i < v.members.size(); ++i) {
      if (i) out += u',';
      AppendQuoted(out, v.members[i].name);
      out += u':';
      AppendCompact(out, v.members[i].value);
    }
    out += u'}';
    return;
  }
}

} // namespace

bool ParseObject(const std::u16string& s, Value& out) {
  Value parsed;
  if (!Reader(s).Document(parsed)) return false;
  out = std::move(parsed);
  return true;
}

void AppendQuoted(std::u16string& out, const std::u16string& text) {
  out += u'"';
  for (char16_t c : text) {
    switch (c) {
    case u'"':
      out += u"\\\"";
      break;
    case u'\\':
      out += u"\\\\";
      break;
    case u'/':
      out += u"\\/";
      break;
    case u'\b':
      out += u"\\b";
      break;
    case u'\t':
      out += u"\\t";
      break;
    case u'\n':
      out += u"\\n";
      break;
    case u'\f':
      out += u"\\f";
      break;
    case u'\r':
      out += u"\\r";
      break;
    default:
      out += c;
      break;
    }
  }
  out += u'"';
}

std::u16string Compact(const Value& v) {
  std::u16string out;
  AppendCompact(out, v);
  return out;
}

std::u16string Pretty(const Value& object) {
  std::u16string out;
  AppendPretty(out, object, 0);
  return out;
}

} // namespace lumivane::json
