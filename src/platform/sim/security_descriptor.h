// Self-relative security descriptors as the simulated PC keeps them per
// file: a default like the one a new file on a system volume inherits,
// checks of what a caller hands in, and the parts GetFileSecurity and
// SetFileSecurity read and replace.
//
//   SECURITY_DESCRIPTOR_RELATIVE: 0 Revision (1), 1 Sbz1, 2 Control u16,
//   4 Owner u32, 8 Group u32, 12 Sacl u32, 16 Dacl u32 (offsets from the
//   start, 0 = absent); SID: Revision (1), SubAuthorityCount (at most 15),
//   6-byte authority, u32 sub-authorities; ACL: AclRevision (2 or 4), Sbz1,
//   AclSize u16, AceCount u16, Sbz2 u16, then AceCount ACEs of
//   {AceType, AceFlags, AceSize u16, ...} inside AclSize.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

struct SecurityParts {
  std::vector<uint8_t> owner, group, sacl, dacl;  // a SID or an ACL each; empty = absent
  bool daclPresent = false;
  bool saclPresent = false;
  uint16_t control = 0;  // the flags beyond presence and self-relative
};

// What a file or folder on a system volume carries: owned by the
// Administrators, full control for SYSTEM and the Administrators, read and
// run for the Users, change for authenticated users; all inherited.
std::vector<uint8_t> DefaultSecurity(bool directory);

// False when the bytes are no well-formed self-relative descriptor.
bool ParseSecurity(const uint8_t* data, size_t size, SecurityParts* out);
std::vector<uint8_t> BuildSecurity(const SecurityParts& parts);

// The parts named by information (OWNER_ / GROUP_ / DACL_ / SACL_
// SECURITY_INFORMATION bits) taken from `update` into `stored`.
void MergeSecurity(SecurityParts* stored, const SecurityParts& update, uint32_t information);
// Only the parts named by information.
SecurityParts SelectSecurity(const SecurityParts& parts, uint32_t information);

inline constexpr uint32_t kSaclSecurityInformation = 8;

}  // namespace sim
