#include "platform/reparse_data.h"

#include "platform/bytes.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace reparse {

namespace {

constexpr size_t kHeader = 8;
constexpr size_t kMountPointBuffer = 16;
constexpr size_t kSymlinkBuffer = 20;

bool NameAt(const uint8_t* buffer, size_t bufferBytes, uint16_t offset, uint16_t length, std::wstring* out) {
  if (length % 2 || offset % 2 || size_t(offset) + length > bufferBytes) return false;
  *out = text::DecodeUtf16LE(buffer + offset, length);
  return true;
}

bool IsDriveLetterPath(const std::wstring& p) {
  return p.size() >= 2 && p[1] == L':' && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
}

}  // namespace

uint32_t TagOf(const uint8_t* data, size_t size) { return size < kHeader ? 0 : bytes::Get32(data); }

bool ParseLinkData(const uint8_t* data, size_t size, LinkData* out) {
  if (size < kHeader || size > win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE) return false;
  uint32_t tag = bytes::Get32(data);
  size_t dataLength = bytes::Get16(data + 4);
  if (kHeader + dataLength > size) return false;
  size_t bufferStart = tag == win::IO_REPARSE_TAG_MOUNT_POINT ? kMountPointBuffer
                       : tag == win::IO_REPARSE_TAG_SYMLINK   ? kSymlinkBuffer
                                                              : 0;
  if (!bufferStart || kHeader + dataLength < bufferStart) return false;
  const uint8_t* buffer = data + bufferStart;
  size_t bufferBytes = kHeader + dataLength - bufferStart;
  LinkData l;
  l.tag = tag;
  l.flags = tag == win::IO_REPARSE_TAG_SYMLINK ? bytes::Get32(data + 16) : 0;
  if (!NameAt(buffer, bufferBytes, bytes::Get16(data + 8), bytes::Get16(data + 10), &l.substituteName) ||
      !NameAt(buffer, bufferBytes, bytes::Get16(data + 12), bytes::Get16(data + 14), &l.printName))
    return false;
  if (l.substituteName.empty()) return false;
  *out = std::move(l);
  return true;
}

std::vector<uint8_t> BuildLinkData(const LinkData& link) {
  std::vector<uint8_t> sub = text::EncodeUtf16LE(link.substituteName);
  std::vector<uint8_t> print = text::EncodeUtf16LE(link.printName);
  bool symlink = link.tag == win::IO_REPARSE_TAG_SYMLINK;
  size_t bufferStart = symlink ? kSymlinkBuffer : kMountPointBuffer;
  // Windows writes the names one after the other, each with a terminator
  // (not counted in its length).
  size_t total = bufferStart + sub.size() + 2 + print.size() + 2;
  if (total > win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE || sub.size() > 0xFFFF || print.size() > 0xFFFF) return {};
  std::vector<uint8_t> out(total, 0);
  bytes::Put32(out.data(), link.tag);
  bytes::Put16(out.data() + 4, uint16_t(total - kHeader));
  bytes::Put16(out.data() + 8, 0);
  bytes::Put16(out.data() + 10, uint16_t(sub.size()));
  bytes::Put16(out.data() + 12, uint16_t(sub.size() + 2));
  bytes::Put16(out.data() + 14, uint16_t(print.size()));
  if (symlink) bytes::Put32(out.data() + 16, link.flags);
  std::copy(sub.begin(), sub.end(), out.begin() + long(bufferStart));
  std::copy(print.begin(), print.end(), out.begin() + long(bufferStart + sub.size() + 2));
  return out;
}

LinkData MountPointTo(const std::wstring& windowsPath) {
  return {win::IO_REPARSE_TAG_MOUNT_POINT, L"\\??\\" + windowsPath, windowsPath, 0};
}

LinkData SymbolicLinkTo(const std::wstring& target, bool) {
  bool absolute = IsDriveLetterPath(target) || target.rfind(L"\\\\", 0) == 0;
  if (absolute) return {win::IO_REPARSE_TAG_SYMLINK, L"\\??\\" + target, target, 0};
  return {win::IO_REPARSE_TAG_SYMLINK, target, target, win::SYMLINK_FLAG_RELATIVE};
}

std::wstring LinkTarget(const LinkData& link, const std::wstring& linkFolder) {
  const std::wstring& s = link.substituteName;
  if (link.tag == win::IO_REPARSE_TAG_SYMLINK && (link.flags & win::SYMLINK_FLAG_RELATIVE)) {
    if (s.empty() || s[0] == L'\\' || linkFolder.empty()) return L"";
    return linkFolder + L"\\" + s;
  }
  if (s.rfind(L"\\??\\", 0) != 0) return L"";
  std::wstring rest = s.substr(4);
  if (IsDriveLetterPath(rest)) return rest;
  if (text::StartsWithIgnoreCase(rest, L"Volume{")) return L"\\\\?\\" + rest;
  return L"";
}

}  // namespace reparse
