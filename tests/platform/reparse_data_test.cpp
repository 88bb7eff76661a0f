// Link data read from a volume is untrusted: every length and offset that
// would lead outside the data is refused, and good data reads back as it
// was built.
#include <gtest/gtest.h>

#include "platform/bytes.h"
#include "platform/reparse_data.h"
#include "platform/winapi.h"

namespace {

TEST(ReparseDataTest, GoodLinksReadBackAndBadOffsetsAreRefused) {
  std::vector<uint8_t> junction = reparse::BuildLinkData(reparse::MountPointTo(L"C:\\Users"));
  std::vector<uint8_t> symlink = reparse::BuildLinkData(reparse::SymbolicLinkTo(L"..\\ProgramData", true));
  reparse::LinkData link;
  ASSERT_TRUE(reparse::ParseLinkData(junction.data(), junction.size(), &link));
  EXPECT_EQ(link.substituteName, L"\\??\\C:\\Users");
  EXPECT_EQ(link.printName, L"C:\\Users");
  ASSERT_TRUE(reparse::ParseLinkData(symlink.data(), symlink.size(), &link));
  EXPECT_EQ(link.substituteName, L"..\\ProgramData");
  EXPECT_EQ(link.flags, win::SYMLINK_FLAG_RELATIVE);

  struct Case {
    const char* what;
    size_t at;       // the u16 field changed
    uint16_t value;
    bool symlink;
  } cases[] = {
      {"substitute name past the end", 10, 0x4000, false},
      {"substitute offset past the end", 8, 0x1000, false},
      {"print name past the end", 14, 0x0200, false},
      {"print offset at the very end", 12, 0xFFFE, true},
      {"odd name length", 10, 3, true},
      {"data length beyond what was read", 4, 0x3000, false},
      {"data length shorter than a symbolic link's header", 4, 8, true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data = c.symlink ? symlink : junction;
    bytes::Put16(data.data() + c.at, c.value);
    EXPECT_FALSE(reparse::ParseLinkData(data.data(), data.size(), &link)) << c.what;
  }
  EXPECT_FALSE(reparse::ParseLinkData(junction.data(), 7, &link)) << "shorter than the header";
  std::vector<uint8_t> other = junction;
  bytes::Put32(other.data(), 0x80000017);  // another file system filter's data
  EXPECT_FALSE(reparse::ParseLinkData(other.data(), other.size(), &link));
}

}  // namespace
