#pragma once
// The small JSON object model behind TAssoc::JSONDump and TAssoc::JSONParse.
#include <string>
#include <vector>

namespace lumivane::json {

struct Member;

struct Value {
  enum class Type { String, Object, Other };
  Type type = Type::String;
  // String: the unescaped content. Other (number, true, false, null, array): compact notation.
  std::u16string text;
  std::vector<Member> members; // Object, in document order
};

struct Member {
  std::u16string name;
  Value value;
};

// Nesting deeper than this is rejected by the reader (and never produced by the program).
constexpr int kMaxDepth = 256;

// Parses s as one JSON object surrounded by optional white space. False on any error.
bool ParseObject(const std::u16string& s, Value& out);

// A JSON string literal with the writer's escapes: \" \\ \/ \b \t \n \f \r, all else as is.
void AppendQuoted(std::u16string& out, const std::u16string& text);
// Compact notation (no white space).
std::u16string Compact(const Value& v);
// The program's pretty-printed layout: two blanks per level, CR LF line ends, no final break.
std::u16string Pretty(const Value& object);

} // namespace lumivane::json
