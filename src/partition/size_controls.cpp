#include "partition/size_controls.h"

#include <algorithm>

#include "app/format_size.h"
#include "partition/partition_ids.h"
#include "partition/region_preview.h"
#include "platform/text.h"

namespace partition {

std::optional<uint64_t> ParseMegabytes(const std::wstring& textIn) {
  std::wstring t = text::Trim(textIn);
  if (t.empty()) return std::nullopt;
  uint64_t v = 0;
  for (wchar_t c : t) {
    if (c < L'0' || c > L'9') return std::nullopt;
    v = std::min<uint64_t>(v * 10 + uint64_t(c - L'0'), uint64_t(1) << 50);
  }
  return v;
}

void SizeControls::Show(ui::Window& w) {
  w.SetText(IDC_CP_MIN, app::FormatSize(min_));
  w.SetText(IDC_CP_MAX, app::FormatSize(max_));
  w.SetText(IDC_CP_SIZE, text::Dec(*size_ / 2048));
  w.SetRange(IDC_CP_SLIDER, int64_t(min_), int64_t(max_));
  w.SetPos(IDC_CP_SLIDER, int64_t(*size_));
  w.Enable(IDC_CP_APPLY, false);
}

void SizeControls::Apply(ui::Window& w) {
  std::optional<uint64_t> mb = ParseMegabytes(w.GetText(IDC_CP_SIZE));
  w.Enable(IDC_CP_APPLY, false);
  if (!mb) return;
  if (*mb > max_ / 2048) {
    *size_ = max_;
  } else if (*mb < min_ / 2048) {
    *size_ = min_;
  } else {
    *size_ = *mb * 2048;
  }
  if (*size_ == min_ || *size_ == max_) w.SetText(IDC_CP_SIZE, text::Dec(*size_ / 2048));
  w.SetPos(IDC_CP_SLIDER, int64_t(*size_));
  PreviewSelectedRegion(*size_);
}

void SizeControls::ApplyPending(ui::Window& w) {
  if (w.IsEnabled(IDC_CP_APPLY)) Apply(w);
}

void SizeControls::OnEditChange(ui::Window& w, int id) {
  if (id == IDC_CP_SIZE) w.Enable(IDC_CP_APPLY, true);
}

void SizeControls::OnSlider(ui::Window& w, int id, int64_t pos, bool released) {
  if (id != IDC_CP_SLIDER || !released) return;
  *size_ = std::clamp<uint64_t>(pos < 0 ? 0 : uint64_t(pos), min_, std::max(min_, max_));
  w.SetText(IDC_CP_SIZE, text::Dec(*size_ / 2048));
  PreviewSelectedRegion(*size_);
}

}  // namespace partition
