// The dialog templates of the resource script, read the way the resource
// compiler reads them: #include "..." followed, #define macros (also with
// arguments) expanded, #if/#ifdef/#ifndef and __has_include honoured. Only
// what the template checks need is kept: each dialog's size and each
// control's kind, id, class, style and rectangle, in dialog units.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct RcControl {
  std::string keyword;  // LTEXT, PUSHBUTTON, CONTROL ...
  std::string text;
  std::string id;       // as written ("IDC_LIST", "-1")
  long idValue = -1;    // its number
  std::string cls;      // window class ("Button", "Static", "VektrelTile" ...)
  std::string style;    // the style expression as written
  int x = 0, y = 0, w = 0, h = 0;
  int line = 0;
  std::string file;

  bool HasStyle(const std::string& flag) const;  // flag named in the style, not after NOT
  bool IsGroupBox() const;
  bool IsDefaultButton() const;
  bool Visible() const { return !NotStyle("WS_VISIBLE"); }
  bool NotStyle(const std::string& flag) const;  // "NOT flag" in the style
  std::string Where() const;
};

struct RcDialog {
  std::string name;
  long id = -1;  // the template number, when its name is #defined
  int x = 0, y = 0, w = 0, h = 0;
  std::string file;
  std::vector<RcControl> controls;
};

struct RcScript {
  std::vector<RcDialog> dialogs;
  std::vector<std::string> filesRead;         // every file the script pulled in
  std::map<std::string, std::string> defines;  // object-like macros, body as text

  const RcDialog* Dialog(long id) const;
  const RcDialog* Dialog(const std::string& name) const;
};

// Reads `path` (and what it includes, looked up beside the including file
// and in `includeDirs`); failures are reported through `error`.
RcScript ReadResourceScript(const std::string& path, const std::vector<std::string>& includeDirs,
                            std::string* error);

// The program's own script (src/gui/vektrel.rc), read once; a read error
// fails the test that asked.
const RcScript& ProgramResourceScript();

}  // namespace testing_support
