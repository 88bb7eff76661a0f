// The dialog templates of the resource script as the resource compiler
// reads them: no control covers another unless it is meant to hold it (a
// group box and what stands in it), and none sticks out of its dialog. A
// control's rectangle is where it takes the mouse: a radio button whose
// rectangle runs over its neighbour's circle takes that click.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/rc_templates.h"
#include "support/sim_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kGui = std::string(VEKTREL_SOURCE_DIR) + "/src/gui";

const RcScript& Script() { return ProgramResourceScript(); }

struct Rect {
  int left, top, right, bottom;
  bool Empty() const { return right <= left || bottom <= top; }
};

// Where a control takes room on the dialog: a drop-down list's template
// height is that of its open list, which lies over the page when open.
Rect Ground(const RcControl& c) {
  int h = c.h;
  if (c.cls == "ComboBox" && (c.HasStyle("CBS_DROPDOWNLIST") || c.HasStyle("CBS_DROPDOWN"))) h = std::min(h, 14);
  return {c.x, c.y, c.x + c.w, c.y + h};
}

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// Controls drawn under others on purpose: frames and pictures.
bool IsContainer(const RcControl& c) {
  if (c.IsGroupBox()) return true;
  if (c.keyword == "ICON") return false;  // an icon is a picture of its own size, nothing stands on it
  for (const char* flag : {"SS_BITMAP", "SS_ETCHEDFRAME", "SS_BLACKFRAME", "SS_GRAYFRAME", "SS_WHITEFRAME",
                           "SS_BLACKRECT", "SS_GRAYRECT", "SS_WHITERECT"})
    if (c.cls == "Static" && c.HasStyle(flag)) return true;
  return false;
}

// What is wrong with a dialog's layout, one line per fault.
std::vector<std::string> Findings(const RcDialog& d) {
  std::vector<std::string> out;
  auto show = [](const Rect& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
  };
  const Rect client = {0, 0, d.w, d.h};
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const RcControl& a = d.controls[i];
    Rect ra = Ground(a);
    if (!Inside(ra, client)) out.push_back(d.name + ": " + a.Where() + " " + show(ra) + " sticks out of the dialog");
    for (size_t j = i + 1; j < d.controls.size(); ++j) {
      const RcControl& b = d.controls[j];
      Rect rb = Ground(b);
      if (Intersect(ra, rb).Empty()) continue;
      bool nested = (IsContainer(a) && Inside(rb, ra)) || (IsContainer(b) && Inside(ra, rb));
      if (!nested) out.push_back(d.name + ": " + a.Where() + " " + show(ra) + " and " + b.Where() + " " + show(rb) + " overlap");
    }
  }
  return out;
}

}  // namespace

TEST(DialogTemplates, EveryScriptOfTheFolderIsRead) {
  const RcScript& s = Script();
  for (const auto& entry : fs::directory_iterator(kGui)) {
    if (entry.path().extension() != ".rc") continue;
    bool read = std::any_of(s.filesRead.begin(), s.filesRead.end(),
                            [&](const std::string& f) { return fs::equivalent(f, entry.path()); });
    EXPECT_TRUE(read) << entry.path() << " is not included by vektrel.rc";
  }
  ASSERT_NE(s.Dialog("IDD_MAIN"), nullptr);
  EXPECT_EQ(s.Dialog("IDD_MAIN")->controls.size(), 20u) << "nine tiles, their captions, the clock, the description";
  for (const RcDialog& d : s.dialogs) {
    EXPECT_GE(d.id, 0) << d.name << " has no number";
    EXPECT_GT(d.w, 0) << d.name;
  }
}

TEST(DialogTemplates, NoControlCoversAnother) {
  for (const RcDialog& d : Script().dialogs)
    for (const std::string& f : Findings(d)) ADD_FAILURE() << f;
}

// The checker itself, on a template made to fail it.
TEST(DialogTemplates, CheckerFindsWhatItShould) {
  TempDir dir;
  std::ofstream(dir.File("t.rc")) << R"(#define ID_A 10
#define ROW(id, x) CONTROL "", id, "Button", BS_AUTORADIOBUTTON, x, 40, 100, 10
1 DIALOGEX 0, 0, 200, 100
BEGIN
    GROUPBOX "Kind", ID_A, 4, 30, 192, 26
    ROW(11, 10)
    ROW(12, 90)
    LTEXT "crosses the frame", 13, 150, 52, 40, 10
    COMBOBOX 14, 10, 70, 60, 80, CBS_DROPDOWNLIST | WS_VSCROLL
    PUSHBUTTON "below the list", 15, 10, 86, 50, 14
    PUSHBUTTON "outside", 16, 170, 90, 40, 14
END
)";
  std::string error;
  RcScript s = ReadResourceScript(dir.File("t.rc"), {}, &error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(s.dialogs.size(), 1u);
  std::vector<std::string> f = Findings(s.dialogs[0]);
  auto found = [&](const std::string& a, const std::string& b) {
    return std::any_of(f.begin(), f.end(), [&](const std::string& x) {
      return x.find(" " + a + " ") != std::string::npos && x.find(" " + b + " ") != std::string::npos;
    });
  };
  EXPECT_TRUE(found("11", "12")) << "radio buttons whose rectangles overlap";
  EXPECT_TRUE(found("ID_A", "13")) << "a label across the group box's frame";
  EXPECT_TRUE(found("16", "sticks")) << "a button past the dialog's edge";
  EXPECT_FALSE(found("ID_A", "11")) << "a radio button inside its group box";
  EXPECT_FALSE(found("14", "15")) << "the drop-down part of a list";
  EXPECT_EQ(f.size(), 3u) << ::testing::PrintToString(f);
}
