#include "erase/dump_row.h"

#include <cstdio>

#include "platform/text.h"

namespace erase {

std::wstring FormatDumpRow(const uint8_t* buffer, uint32_t offset, uint64_t sector) {
  char line[128];
  int n = std::snprintf(line, sizeof line, "%010llx  ", (unsigned long long)(sector * 512 + offset));
  for (int i = 0; i < 16; ++i) n += std::snprintf(line + n, sizeof line - size_t(n), "%02x ", buffer[offset + i]);
  line[n++] = ' ';
  for (int i = 0; i < 16; ++i) {
    uint8_t b = buffer[offset + i];
    line[n++] = (b >= 0x20 && b <= 0x7E) ? char(b) : '.';
  }
  // Eight blanks end the row: 85 characters, more only when the address
  // needs more than ten digits (beyond 1 TiB).
  for (int i = 0; i < 8; ++i) line[n++] = ' ';
  line[n] = 0;
  return text::Widen(line);
}

}  // namespace erase
