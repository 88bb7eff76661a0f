#include "platform/sim/security_descriptor.h"

#include "platform/bytes.h"
#include "platform/winapi.h"

namespace sim {

namespace {

constexpr uint16_t kSelfRelative = 0x8000;
constexpr uint16_t kDaclPresent = 0x0004;
constexpr uint16_t kSaclPresent = 0x0010;
constexpr uint16_t kDaclAutoInherited = 0x0400;
constexpr size_t kHeader = 20;

std::vector<uint8_t> Sid(uint8_t authority, std::vector<uint32_t> subs) {
  std::vector<uint8_t> s(8 + 4 * subs.size(), 0);
  s[0] = 1;
  s[1] = uint8_t(subs.size());
  s[7] = authority;
  for (size_t i = 0; i < subs.size(); ++i) bytes::Put32(s.data() + 8 + 4 * i, subs[i]);
  return s;
}

void AddAllowAce(std::vector<uint8_t>* acl, uint8_t flags, uint32_t mask, const std::vector<uint8_t>& sid) {
  size_t size = 8 + sid.size();
  size_t at = acl->size();
  acl->resize(at + size, 0);
  uint8_t* a = acl->data() + at;
  a[0] = 0;  // ACCESS_ALLOWED_ACE_TYPE
  a[1] = flags;
  bytes::Put16(a + 2, uint16_t(size));
  bytes::Put32(a + 4, mask);
  std::copy(sid.begin(), sid.end(), a + 8);
}

size_t SidSize(const uint8_t* p, size_t avail) {
  if (avail < 8 || p[0] != 1 || p[1] > 15) return 0;
  size_t size = 8 + 4 * size_t(p[1]);
  return size <= avail ? size : 0;
}

size_t AclSize(const uint8_t* p, size_t avail) {
  if (avail < 8 || (p[0] != 2 && p[0] != 4)) return 0;
  size_t size = bytes::Get16(p + 2);
  size_t count = bytes::Get16(p + 4);
  if (size < 8 || size > avail || size % 4) return 0;
  size_t at = 8;
  for (size_t i = 0; i < count; ++i) {
    if (at + 4 > size) return 0;
    size_t ace = bytes::Get16(p + at + 2);
    if (ace < 8 || ace % 4 || at + ace > size) return 0;
    at += ace;
  }
  return size;
}

bool Part(const uint8_t* data, size_t size, uint32_t offset, bool acl, std::vector<uint8_t>* out) {
  out->clear();
  if (offset == 0) return true;
  if (offset < kHeader || offset >= size) return false;
  size_t n = acl ? AclSize(data + offset, size - offset) : SidSize(data + offset, size - offset);
  if (!n) return false;
  out->assign(data + offset, data + offset + n);
  return true;
}

}  // namespace

std::vector<uint8_t> DefaultSecurity(bool directory) {
  std::vector<uint8_t> system = Sid(5, {18}), admins = Sid(5, {32, 544}), users = Sid(5, {32, 545}),
                       authenticated = Sid(5, {11});
  uint8_t inherit = uint8_t(0x10 | (directory ? 0x03 : 0));  // INHERITED_ACE (| OBJECT_ | CONTAINER_INHERIT)
  std::vector<uint8_t> acl(8, 0);
  AddAllowAce(&acl, inherit, 0x001F01FF, system);
  AddAllowAce(&acl, inherit, 0x001F01FF, admins);
  AddAllowAce(&acl, inherit, 0x001200A9, users);
  AddAllowAce(&acl, inherit, 0x001301BF, authenticated);
  acl[0] = 2;
  bytes::Put16(acl.data() + 2, uint16_t(acl.size()));
  bytes::Put16(acl.data() + 4, 4);
  SecurityParts p;
  p.owner = admins;
  p.group = system;
  p.dacl = acl;
  p.daclPresent = true;
  p.control = kDaclAutoInherited;
  return BuildSecurity(p);
}

bool ParseSecurity(const uint8_t* data, size_t size, SecurityParts* out) {
  if (!data || size < kHeader || data[0] != 1) return false;
  uint16_t control = bytes::Get16(data + 2);
  if (!(control & kSelfRelative)) return false;
  SecurityParts p;
  if (!Part(data, size, bytes::Get32(data + 4), false, &p.owner) ||
      !Part(data, size, bytes::Get32(data + 8), false, &p.group) ||
      !Part(data, size, bytes::Get32(data + 12), true, &p.sacl) ||
      !Part(data, size, bytes::Get32(data + 16), true, &p.dacl))
    return false;
  p.daclPresent = (control & kDaclPresent) != 0;
  p.saclPresent = (control & kSaclPresent) != 0;
  p.control = uint16_t(control & ~(kSelfRelative | kDaclPresent | kSaclPresent));
  *out = std::move(p);
  return true;
}

std::vector<uint8_t> BuildSecurity(const SecurityParts& p) {
  std::vector<uint8_t> out(kHeader, 0);
  out[0] = 1;
  uint16_t control = uint16_t(p.control | kSelfRelative | (p.daclPresent ? kDaclPresent : 0) |
                              (p.saclPresent ? kSaclPresent : 0));
  bytes::Put16(out.data() + 2, control);
  auto append = [&](const std::vector<uint8_t>& part, size_t field) {
    if (part.empty()) return;
    bytes::Put32(out.data() + field, uint32_t(out.size()));
    out.insert(out.end(), part.begin(), part.end());
  };
  append(p.owner, 4);
  append(p.group, 8);
  if (p.saclPresent) append(p.sacl, 12);
  if (p.daclPresent) append(p.dacl, 16);
  return out;
}

void MergeSecurity(SecurityParts* stored, const SecurityParts& update, uint32_t information) {
  if (information & win::OWNER_SECURITY_INFORMATION) stored->owner = update.owner;
  if (information & win::GROUP_SECURITY_INFORMATION) stored->group = update.group;
  if (information & win::DACL_SECURITY_INFORMATION) {
    stored->dacl = update.dacl;
    stored->daclPresent = update.daclPresent;
    stored->control = uint16_t((stored->control & ~kDaclAutoInherited) | (update.control & kDaclAutoInherited));
  }
  if (information & kSaclSecurityInformation) {
    stored->sacl = update.sacl;
    stored->saclPresent = update.saclPresent;
  }
}

SecurityParts SelectSecurity(const SecurityParts& parts, uint32_t information) {
  SecurityParts out;
  out.control = parts.control;
  if (information & win::OWNER_SECURITY_INFORMATION) out.owner = parts.owner;
  if (information & win::GROUP_SECURITY_INFORMATION) out.group = parts.group;
  if (information & win::DACL_SECURITY_INFORMATION) {
    out.dacl = parts.dacl;
    out.daclPresent = parts.daclPresent;
  }
  if (information & kSaclSecurityInformation) {
    out.sacl = parts.sacl;
    out.saclPresent = parts.saclPresent;
  }
  return out;
}

}  // namespace sim
