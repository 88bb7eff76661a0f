// A small JSON writer for the console's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

class Json {
 public:
  Json& BeginObject();
  Json& EndObject();
  Json& BeginArray();
  Json& EndArray();
  Json& Key(const std::string& k);
  Json& Str(const std::wstring& v);
  Json& Str(const std::string& v);
  Json& Num(int64_t v);
  Json& UNum(uint64_t v);
  Json& Bool(bool v);
  Json& Null();
  // Convenience: key and value.
  Json& Field(const std::string& k, const std::wstring& v) { return Key(k).Str(v); }
  Json& Field(const std::string& k, const char* v) { return Key(k).Str(std::string(v)); }
  Json& Field(const std::string& k, int64_t v) { return Key(k).Num(v); }
  Json& Field(const std::string& k, int v) { return Key(k).Num(v); }
  Json& Field(const std::string& k, uint64_t v) { return Key(k).UNum(v); }
  Json& Field(const std::string& k, bool v) { return Key(k).Bool(v); }
  Json& StrArray(const std::string& k, const std::vector<std::wstring>& v);
  const std::string& Text() const { return out_; }

 private:
  void Comma();
  std::string out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

std::string JsonEscape(const std::string& utf8);

}  // namespace cli
