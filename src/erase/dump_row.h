// One row of a sector dump: address, sixteen hexadecimal bytes and the
// bytes as characters, exactly 85 characters wide.
#pragma once

#include <cstdint>
#include <string>

namespace erase {

// 16 bytes of buffer from offset; the address is sector * 512 + offset
// (64-bit), printed as ten lowercase hexadecimal digits (more when it
// needs more).
std::wstring FormatDumpRow(const uint8_t* buffer, uint32_t offset, uint64_t sector);

}  // namespace erase
