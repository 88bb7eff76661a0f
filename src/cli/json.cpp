#include "cli/json.h"

#include <cstdio>

#include "platform/text.h"

namespace cli {

std::string JsonEscape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back(char(c));
        }
    }
  }
  return out;
}

void Json::Comma() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ",";
    first_.back() = false;
  }
}

Json& Json::BeginObject() {
  Comma();
  out_ += "{";
  first_.push_back(true);
  return *this;
}
Json& Json::EndObject() {
  out_ += "}";
  first_.pop_back();
  return *this;
}
Json& Json::BeginArray() {
  Comma();
  out_ += "[";
  first_.push_back(true);
  return *this;
}
Json& Json::EndArray() {
  out_ += "]";
  first_.pop_back();
  return *this;
}
Json& Json::Key(const std::string& k) {
  Comma();
  out_ += "\"" + JsonEscape(k) + "\":";
  afterKey_ = true;
  return *this;
}
Json& Json::Str(const std::wstring& v) { return Str(text::ToUtf8(v)); }
Json& Json::Str(const std::string& v) {
  Comma();
  out_ += "\"" + JsonEscape(v) + "\"";
  return *this;
}
Json& Json::Num(int64_t v) {
  Comma();
  out_ += std::to_string(v);
  return *this;
}
Json& Json::UNum(uint64_t v) {
  Comma();
  out_ += std::to_string(v);
  return *this;
}
Json& Json::Bool(bool v) {
  Comma();
  out_ += v ? "true" : "false";
  return *this;
}
Json& Json::Null() {
  Comma();
  out_ += "null";
  return *this;
}
Json& Json::StrArray(const std::string& k, const std::vector<std::wstring>& v) {
  Key(k).BeginArray();
  for (auto& s : v) Str(s);
  return EndArray();
}

}  // namespace cli
