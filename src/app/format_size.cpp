#include "app/format_size.h"

#include <cmath>
#include <cstdio>

#include "platform/text.h"

namespace app {

std::wstring FormatSize(uint64_t sectors) {
  uint64_t bytes = sectors * 512;
  char buf[48];
  if (bytes < 1024) {
    std::snprintf(buf, sizeof buf, "%d Byte", int(bytes));
    return text::Widen(buf);
  }
  // Single precision, as the lists have always shown it; there is no KB step.
  float mb = float(bytes) / 1048576.0f;
  float gb = mb / 1024.0f;
  float tb = gb / 1024.0f;
  float value = mb;
  const char* unit = "MB";
  if (tb >= 1.0f) {
    value = tb;
    unit = "TB";
  } else if (gb >= 1.0f) {
    value = gb;
    unit = "GB";
  }
  if (value == std::trunc(value))
    std::snprintf(buf, sizeof buf, "%d %s", int(value), unit);
  else
    std::snprintf(buf, sizeof buf, "%4.2f %s", double(value), unit);
  return text::Widen(buf);
}

}  // namespace app
