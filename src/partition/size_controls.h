// The size controls the create and resize pages share: the smallest and
// largest size by FormatSize, an edit box in megabytes, a slider in sectors
// and the Apply button.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/window.h"

namespace partition {

// A decimal number of megabytes; nothing for an empty, negative or
// malformed text. Very large numbers saturate (they are clamped later).
std::optional<uint64_t> ParseMegabytes(const std::wstring& text);

// The chosen size lives in the request field the page names; every change
// is previewed in the partition manager's map.
class SizeControls {
 public:
  SizeControls(uint64_t minSectors, uint64_t maxSectors, uint64_t* size)
      : min_(minSectors), max_(maxSectors), size_(size) {}
  // Limits, the size in megabytes and the slider at the size; Apply off.
  void Show(ui::Window& w);
  // Apply: the typed size within the limits (a size beyond one becomes that
  // limit, shown back in the box), with the slider moved there; a text that
  // is not a size changes nothing.
  void Apply(ui::Window& w);
  // A size typed but not applied, as the page moves on.
  void ApplyPending(ui::Window& w);
  void OnEditChange(ui::Window& w, int id);
  // The slider released: its position in sectors, shown in megabytes.
  void OnSlider(ui::Window& w, int id, int64_t pos, bool released);

 private:
  uint64_t min_, max_;
  uint64_t* size_;
};

}  // namespace partition
