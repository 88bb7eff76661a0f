#include "health/smart_pages.h"

#include "platform/bytes.h"
#include "platform/text.h"

namespace health {

namespace {

std::string Words(const uint8_t* d, int first, int last) {
  std::string s;
  for (int w = first; w <= last; ++w) {
    s.push_back(char(d[2 * w + 1]));
    s.push_back(char(d[2 * w]));
  }
  size_t b = s.find_first_not_of(" \0", 0, 2), e = s.find_last_not_of(" \0", std::string::npos, 2);
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

Counter128 At128(const uint8_t* p) { return {bytes::Get64(p), bytes::Get64(p + 8)}; }

}  // namespace

AttributeEntry AttributeAt(const uint8_t* page, int i) {
  const uint8_t* e = page + 2 + 12 * i;
  AttributeEntry a;
  a.id = e[0];
  a.flags = bytes::Get16(e + 1);
  a.value = e[3];
  a.worst = e[4];
  for (int b = 0; b < 6; ++b) a.raw |= uint64_t(e[5 + b]) << (8 * b);
  return a;
}

ThresholdEntry ThresholdAt(const uint8_t* page, int i) { return {page[2 + 12 * i], page[3 + 12 * i]}; }

IdentifyFields IdentifyFieldsOf(const uint8_t* d) {
  IdentifyFields f;
  f.serial = Words(d, 10, 19);
  f.firmware = Words(d, 23, 26);
  f.model = Words(d, 27, 46);
  f.bufferType = bytes::Get16(d + 40);
  f.bufferSectors = bytes::Get16(d + 42);
  return f;
}

std::wstring Counter128Text(const Counter128& c) {
  // Long division of the 128-bit number by 10, 32 bits at a time.
  uint32_t parts[4] = {uint32_t(c.high >> 32), uint32_t(c.high), uint32_t(c.low >> 32), uint32_t(c.low)};
  std::wstring digits;
  for (;;) {
    uint64_t rest = 0;
    bool zero = true;
    for (uint32_t& p : parts) {
      uint64_t cur = (rest << 32) | p;
      p = uint32_t(cur / 10);
      rest = cur % 10;
      zero &= p == 0;
    }
    digits.insert(digits.begin(), wchar_t(L'0' + rest));
    if (zero) break;
  }
  return digits;
}

NvmeHealth NvmeHealthOf(const uint8_t* log) {
  NvmeHealth h;
  h.criticalWarning = log[0];
  h.temperatureKelvin = bytes::Get16(log + 1);
  h.availableSpare = log[3];
  h.spareThreshold = log[4];
  h.percentageUsed = log[5];
  h.dataUnitsRead = At128(log + 32);
  h.dataUnitsWritten = At128(log + 48);
  h.powerCycles = At128(log + 112);
  h.powerOnHours = At128(log + 128);
  h.unsafeShutdowns = At128(log + 144);
  h.mediaErrors = At128(log + 160);
  return h;
}

}  // namespace health
