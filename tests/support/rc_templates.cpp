#include "support/rc_templates.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace testing_support {

namespace {

struct Token {
  std::string text;
  bool isString = false;
  int line = 0;
  std::string file;
  std::string origin;  // the name it was expanded from, for messages
};

struct Macro {
  bool function = false;
  std::vector<std::string> params;
  std::vector<Token> body;
};

std::vector<Token> Tokenize(const std::string& s, const std::string& file, int line) {
  std::vector<Token> out;
  for (size_t i = 0; i < s.size();) {
    char c = s[i];
    if (c == '\n') {
      ++line, ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      i += 2;
      while (i + 1 < s.size() && !(s[i] == '*' && s[i + 1] == '/')) line += s[i++] == '\n';
      i += 2;
    } else if (c == '"') {
      // A doubled quote stands for one quote.
      std::string text;
      for (++i; i < s.size(); ++i) {
        if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') text += '"', ++i;
        else if (s[i] == '"') break;
        else text += s[i];
      }
      ++i;
      out.push_back({text, true, line, file});
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
      out.push_back({s.substr(i, j - i), false, line, file});
      i = j;
    } else {
      out.push_back({std::string(1, c), false, line, file});
      ++i;
    }
  }
  return out;
}

class Reader {
 public:
  Reader(std::vector<std::string> dirs, RcScript* out) : dirs_(std::move(dirs)), out_(out) {}

  bool ReadFile(const std::string& path, std::string* error);
  std::vector<Token>& Tokens() { return tokens_; }
  const std::map<std::string, Macro>& Macros() const { return macros_; }
  void Expand(const std::vector<Token>& in, std::vector<Token>* out, std::set<std::string>& active) const;

 private:
  std::string Find(const std::string& name, const std::string& from) const;
  bool Directive(const std::string& line, const std::string& file, int lineNo, std::string* error);

  std::vector<std::string> dirs_;
  RcScript* out_;
  std::map<std::string, Macro> macros_;
  std::vector<Token> tokens_;
  std::vector<bool> live_;  // one entry per open #if: whether its lines count
  std::vector<bool> taken_;
};

std::string Reader::Find(const std::string& name, const std::string& from) const {
  fs::path beside = fs::path(from).parent_path() / name;
  if (fs::exists(beside)) return beside.string();
  for (const std::string& d : dirs_)
    if (fs::exists(fs::path(d) / name)) return (fs::path(d) / name).string();
  return "";
}

bool Reader::Directive(const std::string& line, const std::string& file, int lineNo, std::string* error) {
  std::istringstream in(line.substr(line.find('#') + 1));
  std::string word;
  in >> word;
  std::string rest;
  std::getline(in, rest);
  auto trimmed = [](std::string s) {
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
  };
  rest = trimmed(rest);
  bool live = live_.empty() || live_.back();
  if (word == "if" || word == "ifdef" || word == "ifndef") {
    bool cond = true;
    if (word == "ifdef") cond = macros_.count(rest) > 0;
    else if (word == "ifndef") cond = macros_.count(rest) == 0;
    else if (rest.rfind("__has_include", 0) == 0) {
      size_t a = rest.find('"'), b = rest.rfind('"');
      cond = a != std::string::npos && b > a && !Find(rest.substr(a + 1, b - a - 1), file).empty();
    }
    live_.push_back(live && cond);
    taken_.push_back(cond);
  } else if (word == "else") {
    if (live_.empty()) return *error = file + ":" + std::to_string(lineNo) + ": #else without #if", false;
    bool outer = live_.size() < 2 || live_[live_.size() - 2];
    live_.back() = outer && !taken_.back();
  } else if (word == "endif") {
    if (live_.empty()) return *error = file + ":" + std::to_string(lineNo) + ": #endif without #if", false;
    live_.pop_back();
    taken_.pop_back();
  } else if (!live) {
    return true;
  } else if (word == "include") {
    if (rest.empty() || rest[0] != '"') return true;  // system headers: only the compiler's own flags
    std::string name = rest.substr(1, rest.find('"', 1) - 1);
    std::string found = Find(name, file);
    if (found.empty()) return *error = file + ":" + std::to_string(lineNo) + ": cannot find " + name, false;
    return ReadFile(found, error);
  } else if (word == "define") {
    size_t nameEnd = 0;
    while (nameEnd < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[nameEnd])) || rest[nameEnd] == '_'))
      ++nameEnd;
    Macro m;
    std::string name = rest.substr(0, nameEnd), body = rest.substr(nameEnd);
    if (!body.empty() && body[0] == '(') {
      m.function = true;
      size_t close = body.find(')');
      for (const Token& t : Tokenize(body.substr(1, close - 1), file, lineNo))
        if (t.text != ",") m.params.push_back(t.text);
      body = body.substr(close + 1);
    }
    m.body = Tokenize(body, file, lineNo);
    if (!m.function) out_->defines[name] = trimmed(body);
    macros_[name] = m;
  }
  return true;
}

bool Reader::ReadFile(const std::string& path, std::string* error) {
  std::ifstream f(path);
  if (!f) return *error = "cannot read " + path, false;
  out_->filesRead.push_back(path);
  std::string line;
  int lineNo = 0;
  while (std::getline(f, line)) {
    int first = ++lineNo;
    // A backslash at the end continues the line.
    while (!line.empty() && line.back() == '\\') {
      line.pop_back();
      std::string next;
      if (!std::getline(f, next)) break;
      ++lineNo;
      line += " " + next;
    }
    size_t p = line.find_first_not_of(" \t");
    if (p != std::string::npos && line[p] == '#') {
      if (!Directive(line, path, first, error)) return false;
      continue;
    }
    if (!live_.empty() && !live_.back()) continue;
    for (Token& t : Tokenize(line, path, first)) tokens_.push_back(std::move(t));
  }
  return true;
}

void Reader::Expand(const std::vector<Token>& in, std::vector<Token>* out, std::set<std::string>& active) const {
  for (size_t i = 0; i < in.size(); ++i) {
    const Token& t = in[i];
    auto it = t.isString ? macros_.end() : macros_.find(t.text);
    if (it == macros_.end() || active.count(t.text)) {
      out->push_back(t);
      continue;
    }
    const Macro& m = it->second;
    std::vector<Token> body;
    if (!m.function) {
      body = m.body;
    } else {
      if (i + 1 >= in.size() || in[i + 1].text != "(") {
        out->push_back(t);
        continue;
      }
      std::vector<std::vector<Token>> args(1);
      int depth = 0;
      size_t j = i + 2;
      for (; j < in.size(); ++j) {
        const std::string& s = in[j].isString ? std::string() : in[j].text;
        if (s == "(") ++depth;
        if (s == ")" && depth-- == 0) break;
        if (s == "," && depth == 0) args.emplace_back();
        else args.back().push_back(in[j]);
      }
      i = j;
      for (const Token& b : m.body) {
        size_t k = 0;
        while (k < m.params.size() && (b.isString || m.params[k] != b.text)) ++k;
        if (k < m.params.size() && k < args.size()) body.insert(body.end(), args[k].begin(), args[k].end());
        else body.push_back(b);
      }
    }
    // Expanded text carries the place where the macro was used.
    for (Token& b : body) {
      b.line = t.line, b.file = t.file;
      if (!m.function && body.size() == 1 && b.origin.empty()) b.origin = t.origin.empty() ? t.text : t.origin;
    }
    active.insert(t.text);
    Expand(body, out, active);
    active.erase(t.text);
  }
}

// A small integer expression: numbers, defined names, + - * | ( ).
class Evaluator {
 public:
  Evaluator(const std::vector<Token>& toks, const std::map<std::string, std::string>& defines)
      : t_(toks), defines_(defines) {}
  bool Value(long* v) {
    pos_ = 0;
    ok_ = true;
    *v = Or();
    return ok_ && pos_ == t_.size();
  }

 private:
  long Or() {
    long v = Sum();
    while (Peek("|")) ++pos_, v |= Sum();
    return v;
  }
  long Sum() {
    long v = Product();
    for (;;) {
      if (Peek("+")) ++pos_, v += Product();
      else if (Peek("-")) ++pos_, v -= Product();
      else return v;
    }
  }
  long Product() {
    long v = Unary();
    while (Peek("*")) ++pos_, v *= Unary();
    return v;
  }
  long Unary() {
    if (Peek("-")) return ++pos_, -Unary();
    if (Peek("+")) return ++pos_, Unary();
    if (Peek("(")) {
      ++pos_;
      long v = Or();
      if (!Peek(")")) ok_ = false;
      ++pos_;
      return v;
    }
    if (pos_ >= t_.size()) return ok_ = false, 0;
    const std::string& s = t_[pos_++].text;
    if (std::isdigit(static_cast<unsigned char>(s[0]))) return std::stol(s, nullptr, 0);
    auto it = defines_.find(s);
    if (it == defines_.end() || depth_ > 16) return ok_ = false, 0;
    ++depth_;
    long v = 0;
    Evaluator inner(Tokenize(it->second, "", 0), defines_);
    inner.depth_ = depth_;
    if (!inner.Value(&v)) ok_ = false;
    --depth_;
    return v;
  }
  bool Peek(const char* s) const { return pos_ < t_.size() && !t_[pos_].isString && t_[pos_].text == s; }

  std::vector<Token> t_;
  const std::map<std::string, std::string>& defines_;
  size_t pos_ = 0;
  bool ok_ = true;
  int depth_ = 0;

};

std::string Join(const std::vector<Token>& toks) {
  std::string s;
  for (const Token& t : toks)
    s += (s.empty() ? "" : " ") + (t.isString ? "\"" + t.text + "\"" : !t.origin.empty() ? t.origin : t.text);
  return s;
}

const std::set<std::string> kTextControls = {"LTEXT",      "RTEXT",       "CTEXT",          "PUSHBUTTON",
                                              "DEFPUSHBUTTON", "GROUPBOX",  "CHECKBOX",       "AUTOCHECKBOX",
                                              "RADIOBUTTON", "AUTORADIOBUTTON", "STATE3",     "AUTO3STATE",
                                              "ICON",        "PUSHBOX"};
const std::set<std::string> kIdControls = {"EDITTEXT", "LISTBOX", "COMBOBOX", "SCROLLBAR"};

std::string ClassOf(const std::string& keyword) {
  if (keyword == "LTEXT" || keyword == "RTEXT" || keyword == "CTEXT" || keyword == "ICON") return "Static";
  if (keyword == "EDITTEXT") return "Edit";
  if (keyword == "LISTBOX") return "ListBox";
  if (keyword == "COMBOBOX") return "ComboBox";
  if (keyword == "SCROLLBAR") return "ScrollBar";
  return "Button";
}

}  // namespace

bool RcControl::HasStyle(const std::string& flag) const {
  std::istringstream in(style);
  std::string prev, w;
  while (in >> w) {
    if (w == flag && prev != "NOT") return true;
    prev = w;
  }
  return false;
}

bool RcControl::NotStyle(const std::string& flag) const {
  std::istringstream in(style);
  std::string prev, w;
  while (in >> w) {
    if (w == flag && prev == "NOT") return true;
    prev = w;
  }
  return false;
}

bool RcControl::IsGroupBox() const { return keyword == "GROUPBOX" || (cls == "Button" && HasStyle("BS_GROUPBOX")); }

bool RcControl::IsDefaultButton() const {
  return keyword == "DEFPUSHBUTTON" || (cls == "Button" && HasStyle("BS_DEFPUSHBUTTON"));
}

std::string RcControl::Where() const {
  return fs::path(file).filename().string() + ":" + std::to_string(line) + " " + keyword + " " + id;
}

const RcDialog* RcScript::Dialog(long id) const {
  for (const RcDialog& d : dialogs)
    if (d.id == id) return &d;
  return nullptr;
}

const RcDialog* RcScript::Dialog(const std::string& name) const {
  for (const RcDialog& d : dialogs)
    if (d.name == name) return &d;
  return nullptr;
}

RcScript ReadResourceScript(const std::string& path, const std::vector<std::string>& includeDirs, std::string* error) {
  RcScript script;
  Reader reader(includeDirs, &script);
  error->clear();
  if (!reader.ReadFile(path, error)) return script;
  std::vector<Token> toks;
  std::set<std::string> active;
  reader.Expand(reader.Tokens(), &toks, active);

  auto fail = [&](const Token& t, const std::string& what) {
    if (error->empty()) *error = t.file + ":" + std::to_string(t.line) + ": " + what;
  };
  auto number = [&](const std::vector<Token>& arg, int* v) {
    long value = 0;
    if (!Evaluator(arg, script.defines).Value(&value)) return false;
    *v = int(value);
    return true;
  };

  for (size_t i = 0; i + 1 < toks.size(); ++i) {
    if (toks[i + 1].text != "DIALOGEX" && toks[i + 1].text != "DIALOG") continue;
    RcDialog d;
    d.name = toks[i].origin.empty() ? toks[i].text : toks[i].origin;
    d.file = toks[i].file;
    long id;
    if (Evaluator({toks[i]}, script.defines).Value(&id)) d.id = id;
    // x, y, cx, cy
    size_t j = i + 2;
    int* dims[] = {&d.x, &d.y, &d.w, &d.h};
    for (int k = 0; k < 4; ++k) {
      std::vector<Token> arg;
      while (j < toks.size() && toks[j].text != "," && toks[j].line == toks[i].line) arg.push_back(toks[j++]);
      if (!number(arg, dims[k])) fail(toks[i], "size of " + d.name);
      if (j < toks.size() && toks[j].text == ",") ++j;
    }
    while (j < toks.size() && toks[j].text != "BEGIN") ++j;
    // Statements: each starts with its keyword; arguments are split at
    // top-level commas.
    std::vector<std::vector<Token>> statement;
    auto finish = [&]() {
      if (statement.empty()) return;
      std::vector<std::vector<Token>> args;
      const Token& kw = statement[0][0];
      std::vector<Token> first(statement[0].begin() + 1, statement[0].end());
      args.push_back(first);
      args.insert(args.end(), statement.begin() + 1, statement.end());
      RcControl c;
      c.keyword = kw.text;
      c.line = kw.line;
      c.file = kw.file;
      size_t at = 0;
      auto text = [&](size_t k) { return k < args.size() && !args[k].empty() ? args[k][0].text : std::string(); };
      if (kTextControls.count(c.keyword) || c.keyword == "CONTROL") c.text = text(at++);
      c.id = at < args.size() ? Join(args[at]) : "";
      long idValue;
      if (at < args.size() && Evaluator(args[at], script.defines).Value(&idValue)) c.idValue = idValue;
      ++at;
      if (c.keyword == "CONTROL") {
        c.cls = text(at++);
        c.style = at < args.size() ? Join(args[at]) : "";
        ++at;
      } else {
        c.cls = ClassOf(c.keyword);
      }
      int* rect[] = {&c.x, &c.y, &c.w, &c.h};
      for (int k = 0; k < 4; ++k, ++at)
        if (at >= args.size() || !number(args[at], rect[k])) fail(kw, "rectangle of " + c.keyword + " " + c.id);
      if (c.keyword != "CONTROL" && at < args.size()) c.style = Join(args[at]);
      d.controls.push_back(c);
      statement.clear();
    };
    static const std::set<std::string> kAll = [] {
      std::set<std::string> s = kTextControls;
      s.insert(kIdControls.begin(), kIdControls.end());
      s.insert("CONTROL");
      return s;
    }();
    int depth = 0;
    for (++j; j < toks.size() && toks[j].text != "END"; ++j) {
      const Token& t = toks[j];
      if (!t.isString && kAll.count(t.text) && depth == 0) {
        finish();
        statement.push_back({t});
        continue;
      }
      if (statement.empty()) {
        fail(t, "unexpected " + t.text + " in " + d.name);
        continue;
      }
      if (!t.isString && t.text == "(") ++depth;
      if (!t.isString && t.text == ")") --depth;
      if (!t.isString && t.text == "," && depth == 0) statement.emplace_back();
      else statement.back().push_back(t);
    }
    finish();
    script.dialogs.push_back(std::move(d));
    i = j;
  }
  return script;
}

const RcScript& ProgramResourceScript() {
  static std::string error;
  static const RcScript script = ReadResourceScript(std::string(VEKTREL_SOURCE_DIR) + "/src/gui/vektrel.rc",
                                                    {std::string(VEKTREL_SOURCE_DIR) + "/src"}, &error);
  EXPECT_EQ(error, "");
  return script;
}

}  // namespace testing_support
