// TAssoc::JSONDump and TAssoc::JSONParse: the device table's hand-over text to the worker.
#include "assoc/AssocArrays.h"
#include "assoc/JsonText.h"
#include "assoc/StrUtilsEx.h"

namespace lumivane {

namespace {

const std::u16string kValuePrefix = u"__:";

// The members of node's object: leaves as strings, inner nodes as objects followed by the
// value member "__:" + key when they carry a value of their own.
json::Value BuildObject(const TAssoc& node) {
  json::Value object;
  object.type = json::Value::Type::Object;
  if (node.Count() == 0) return object;
  for (const Variant& key : node.AscKeys()) {
    const TAssoc& child = *node.All()->find(key)->second;
    std::u16string name = key.Text();
    if (name.empty()) continue;
    json::Value value;
    value.text = child.Val().Text();
    if (child.Count() == 0) {
      object.members.push_back({std::move(name), std::move(value)});
      continue;
    }
    json::Value inner = BuildObject(child);
    if (!inner.members.empty()) object.members.push_back({name, std::move(inner)});
    if (!value.text.empty()) object.members.push_back({kValuePrefix + name, std::move(value)});
  }
  return object;
}

std::u16string ValueText(const json::Value& v) {
  return v.type == json::Value::Type::String ? v.text : json::Compact(v);
}

// Adds the members of object to node. A name the node already has is skipped, so that nothing
// is written through the missing child a non-strict Add gives for it.
TAssoc* Apply(TAssoc& node, const json::Value& object) {
  TAssoc* result = nullptr;
  for (const auto& [name, value] : object.members) {
    if (PosNoCase(kValuePrefix, name) == 1) {
      Variant target(StrReplaceEx(name, kValuePrefix, u"", 0));
      if (node.IsSet(target)) node.Items(target).SetVal(ValueText(value));
      continue;
    }
    Variant key(name);
    if (node.IsSet(key)) continue;
    TAssoc* child = node.Add(key);
    if (!child) continue;
    result = child;
    if (value.type == json::Value::Type::Object)
      Apply(*child, value);
    else
      child->SetVal(ValueText(value));
  }
  return result;
}

} // namespace

std::u16string TAssoc::JSONDump() const {
  json::Value object = BuildObject(*this);
  if (object.members.empty()) return std::u16string();
  return StrReplaceEx(json::Pretty(object), std::u16string(1, u'\0'), u"\r\n", ReplaceAll | IgnoreCase);
}

TAssoc* TAssoc::JSONParse(const std::u16string& s) {
  if (s.find(u'{') == std::u16string::npos) return nullptr;
  // Malformed text, or a top-level value that is not an object, adds nothing.
  json::Value object;
  if (!json::ParseObject(s, object)) return nullptr;
  return Apply(*this, object);
}

} // namespace lumivane
