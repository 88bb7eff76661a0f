// Some renderers measure a line of text a few pixels narrower than they draw
// it and clip its last letter (message boxes and group-box captions in Tahoma
// under Wine do). A no-break space at the end of each line gives the
// measurement that slack and draws as nothing, so the host adds one where the
// system sizes the text itself and takes it off again when text is read back.
#pragma once
#include <string>

namespace ui::win32 {

inline constexpr wchar_t kLineSlack = L'\u00A0';

inline std::wstring WithLineSlack(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 8);
  auto endLine = [&out] {
    if (!out.empty() && out.back() != L'\n' && out.back() != L'\r' && out.back() != kLineSlack) out += kLineSlack;
  };
  for (wchar_t c : text) {
    if (c == L'\n' || c == L'\r') endLine();
    out += c;
  }
  endLine();
  return out;
}

inline std::wstring WithoutLineSlack(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const bool atLineEnd = i + 1 == text.size() || text[i + 1] == L'\n' || text[i + 1] == L'\r';
    if (text[i] == kLineSlack && atLineEnd) continue;
    out += text[i];
  }
  return out;
}

}  // namespace ui::win32
