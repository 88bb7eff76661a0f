// The simulated PC's files as Windows keeps them: names without regard to
// case, attributes with their refusals, times, security descriptors, short
// names, junctions and symbolic links, injected file faults, full volumes,
// path lengths and labels; and all of it still there when the machine
// starts again.
#include <gtest/gtest.h>

#include "platform/bytes.h"
#include "platform/reparse_data.h"
#include "platform/sim/security_descriptor.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

class FilesTest : public SimTest {
 protected:
  // Disk 0: C: NTFS 1 GiB, D: FAT32 40 MiB, E: 8 MiB NTFS, F: no file
  // system; disk 1 (write-protected once written): G: NTFS.
  void Machine() {
    AddDisk("size=2GiB");
    AddDisk("size=64MiB");
    Boot();
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x1111,
                             {{{2048, 2097152, 0x07, "NTFS"},
                               {2099200, 81920, 0x0C, "FAT32"},
                               {2181120, 16384, 0x07, "NTFS"},
                               {2197504, 16384, 0x07, ""}}}),
              0u);
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(1), 0x2222, {{{2048, 100000, 0x07, "NTFS"}}}), 0u);
    Sim().Mounts().Mount();
    Put(L"G:\\old.txt", "kept");
    Sim().Disk(1).MutableConfig().writeProtected = true;
  }
  platform::Handle Open(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t flags = 0) {
    return Sim().CreateFile(path, access, win::FILE_SHARE_READ, disposition, flags);
  }
  uint32_t Put(const std::wstring& path, const std::string& bytes, uint32_t flags = 0,
               uint32_t disposition = win::CREATE_ALWAYS) {
    return WriteSimFile(Sim(), path, bytes, flags, disposition);
  }
  std::string Get(const std::wstring& path) { return ReadSimFile(Sim(), path); }
  platform::FindData Entry(const std::wstring& folder, const std::wstring& name) {
    std::vector<platform::FindData> found;
    EXPECT_TRUE(Sim().FindFiles(folder + L"\\*", &found));
    for (auto& f : found)
      if (f.name == name) return f;
    ADD_FAILURE() << "not listed: " << text::ToUtf8(name);
    return {};
  }
  bool Fails(bool ok, uint32_t error) { return !ok && Sim().GetLastError() == error; }
};

TEST_F(FilesTest, AttributesAndTheRefusalsThatGoWithThem) {
  Machine();
  ASSERT_EQ(Put(L"C:\\ReadMe.Txt", "one"), 0u);
  EXPECT_EQ(Get(L"c:\\README.TXT"), "one") << "names match without regard to case";
  EXPECT_EQ(Put(L"C:\\readme.txt", "two"), 0u) << "and one file is overwritten, not a second made";
  EXPECT_EQ(Entry(L"C:", L"ReadMe.Txt").attributes, win::FILE_ATTRIBUTE_ARCHIVE);

  ASSERT_TRUE(Sim().SetFileAttributes(L"C:\\readme.txt", win::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Put(L"C:\\readme.txt", "three"), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Put(L"C:\\readme.txt", "three", 0, win::OPEN_EXISTING), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Fails(Sim().DeleteFile(L"C:\\readme.txt"), win::ERROR_ACCESS_DENIED));
  EXPECT_EQ(Get(L"C:\\readme.txt"), "two") << "reading is fine";

  ASSERT_TRUE(Sim().SetFileAttributes(L"C:\\readme.txt", win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(Sim().GetFileAttributes(L"C:\\readme.txt"), win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(Put(L"C:\\readme.txt", "four"), win::ERROR_ACCESS_DENIED) << "hidden and system, not asked for";
  EXPECT_EQ(Put(L"C:\\readme.txt", "four", win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM), 0u);
  ASSERT_TRUE(Sim().SetFileAttributes(L"C:\\readme.txt", win::FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(Sim().GetFileAttributes(L"C:\\readme.txt"), win::FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(Sim().DeleteFile(L"C:\\README.TXT"));
  EXPECT_EQ(Get(L"C:\\readme.txt"), "error 2");

  // Folders: opened with backup semantics only; removed when empty.
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\Data"));
  EXPECT_TRUE(Fails(Sim().CreateDirectory(L"C:\\DATA"), win::ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(Fails(Sim().CreateDirectory(L"C:\\No\\Such"), win::ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open(L"C:\\Data", win::GENERIC_READ, win::OPEN_EXISTING), platform::kInvalidHandle);
  platform::Handle d = Open(L"C:\\Data", win::GENERIC_READ, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  EXPECT_TRUE(platform::IsValid(d));
  Sim().CloseHandle(d);
  ASSERT_EQ(Put(L"C:\\Data\\a.bin", "a"), 0u);
  EXPECT_TRUE(Fails(Sim().RemoveDirectory(L"C:\\Data"), win::ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(Fails(Sim().DeleteFile(L"C:\\Data"), win::ERROR_ACCESS_DENIED));

  // Volumes that take no change, or have no files at all.
  struct Case {
    const wchar_t* path;
    uint32_t error;
  } cases[] = {{L"G:\\new.txt", win::ERROR_WRITE_PROTECT},
               {L"G:\\old.txt", win::ERROR_WRITE_PROTECT},
               {L"F:\\new.txt", win::ERROR_UNRECOGNIZED_VOLUME},
               {L"C:\\bad|name.txt", win::ERROR_INVALID_NAME},
               {L"C:\\$Vektrel.meta", win::ERROR_ACCESS_DENIED}};
  for (const Case& c : cases) EXPECT_EQ(Put(c.path, "x"), c.error) << text::ToUtf8(c.path);
  EXPECT_EQ(Get(L"G:\\old.txt"), "kept");
  EXPECT_TRUE(Fails(Sim().CreateDirectory(L"G:\\Folder"), win::ERROR_WRITE_PROTECT));
  EXPECT_TRUE(Fails(Sim().SetFileAttributes(L"G:\\old.txt", 0), win::ERROR_WRITE_PROTECT));
  EXPECT_TRUE(Fails(Sim().DeleteFile(L"G:\\old.txt"), win::ERROR_WRITE_PROTECT));
  std::vector<platform::FindData> found;
  EXPECT_TRUE(Fails(Sim().FindFiles(L"F:\\*", &found), win::ERROR_UNRECOGNIZED_VOLUME));
  ASSERT_TRUE(Sim().FindFiles(L"C:\\*", &found));
  for (auto& f : found) EXPECT_NE(f.name.find(L"Vektrel"), 0u) << "the metadata file is never listed";
}

TEST_F(FilesTest, ShortNamesAreMadeAsWindowsMakesThem) {
  Machine();
  for (const wchar_t* name :
       {L"Program Files", L"Program Data", L"Programs 3", L"Program Old.x", L"Programs 4", L"Programmer"})
    ASSERT_TRUE(Sim().CreateDirectory(std::wstring(L"C:\\") + name));
  ASSERT_EQ(Put(L"C:\\Program Files\\My Document.text", "x"), 0u);
  ASSERT_EQ(Put(L"C:\\notes.txt", "x"), 0u);
  EXPECT_EQ(Entry(L"C:", L"Program Files").shortName, L"PROGRA~1");
  EXPECT_EQ(Entry(L"C:", L"Program Data").shortName, L"PROGRA~2");
  EXPECT_EQ(Entry(L"C:", L"Programs 3").shortName, L"PROGRA~3");
  EXPECT_EQ(Entry(L"C:", L"Program Old.x").shortName, L"PROGRA~1.X") << "the extension is part of the name";
  EXPECT_EQ(Entry(L"C:", L"Programs 4").shortName, L"PROGRA~4");
  std::wstring fifth = Entry(L"C:", L"Programmer").shortName;
  EXPECT_EQ(fifth.size(), 8u);
  EXPECT_EQ(fifth.substr(0, 2), L"PR") << "after four the name takes a checksum";
  EXPECT_EQ(fifth.substr(6), L"~1");
  EXPECT_EQ(Entry(L"C:", L"notes.txt").shortName, L"") << "an 8.3 name needs none";
  EXPECT_EQ(Entry(L"C:", L"Program Files").shortName, L"PROGRA~1") << "and a name once made stays";
  EXPECT_EQ(Sim().GetShortPathName(L"C:\\program files\\My Document.text"), L"C:\\PROGRA~1\\MYDOCU~1.TEX");

  // Set by a handle with delete and write access and backup semantics, on
  // NTFS only, unique in its folder.
  platform::Handle h = Open(L"C:\\Programmer", win::GENERIC_ALL, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  ASSERT_TRUE(platform::IsValid(h));
  EXPECT_TRUE(Fails(Sim().SetFileShortName(h, L"PROGRA~1"), win::ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(Fails(Sim().SetFileShortName(h, L"NOTES.TXT"), win::ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(Fails(Sim().SetFileShortName(h, L"TOO LONG NAME"), win::ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(Sim().SetFileShortName(h, L"PROGRA~5"));
  Sim().CloseHandle(h);
  EXPECT_EQ(Entry(L"C:", L"Programmer").shortName, L"PROGRA~5");
  h = Open(L"C:\\Programmer", win::GENERIC_READ, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  EXPECT_TRUE(Fails(Sim().SetFileShortName(h, L"PROGRA~6"), win::ERROR_ACCESS_DENIED));
  Sim().CloseHandle(h);
  ASSERT_EQ(Put(L"D:\\Long File Name.txt", "x"), 0u);
  EXPECT_EQ(Entry(L"D:", L"Long File Name.txt").shortName, L"LONGFI~1.TXT") << "FAT names carry one too";
  h = Open(L"D:\\Long File Name.txt", win::GENERIC_ALL, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  EXPECT_TRUE(Fails(Sim().SetFileShortName(h, L"OTHER.TXT"), win::ERROR_INVALID_PARAMETER)) << "FAT: not settable";
  Sim().CloseHandle(h);
}

TEST_F(FilesTest, TimesSecurityAndLabelsStayWithTheMachine) {
  Machine();
  Sim().Clock().Sleep(60000);
  ASSERT_EQ(Put(L"C:\\doc.txt", "x"), 0u);
  platform::FileTimes made = Entry(L"C:", L"doc.txt").times;
  EXPECT_EQ(made.creation, made.lastWrite);
  Sim().Clock().Sleep(5000);
  ASSERT_EQ(Put(L"C:\\doc.txt", "xy", 0, win::OPEN_EXISTING), 0u);
  platform::FileTimes written = Entry(L"C:", L"doc.txt").times;
  EXPECT_EQ(written.creation, made.creation);
  EXPECT_EQ(written.lastWrite - made.lastWrite, 50000000u) << "five seconds later, in 100 ns steps";

  platform::Handle h = Open(L"C:\\doc.txt", win::GENERIC_WRITE, win::OPEN_EXISTING);
  platform::FileTimes set{130000000000000000ull, 0, 131000000000000000ull};
  ASSERT_TRUE(Sim().SetFileTime(h, set));
  uint32_t done;
  ASSERT_TRUE(Sim().WriteFile(h, "z", 1, &done));
  Sim().CloseHandle(h);
  platform::FileTimes kept = Entry(L"C:", L"doc.txt").times;
  EXPECT_EQ(kept.creation, set.creation);
  EXPECT_EQ(kept.lastWrite, set.lastWrite) << "times set on the handle are not moved by its writes";
  EXPECT_EQ(kept.lastAccess, written.lastAccess) << "a zero field leaves its time alone";

  // Security: a default descriptor, and a DACL set alone keeps the owner.
  std::vector<uint8_t> sd;
  ASSERT_TRUE(Sim().GetFileSecurity(L"C:\\doc.txt", win::OWNER_SECURITY_INFORMATION | win::DACL_SECURITY_INFORMATION,
                                    &sd));
  sim::SecurityParts parts;
  ASSERT_TRUE(sim::ParseSecurity(sd.data(), sd.size(), &parts));
  EXPECT_FALSE(parts.owner.empty());
  EXPECT_TRUE(parts.daclPresent);
  sim::SecurityParts mine;
  mine.daclPresent = true;
  mine.dacl = {2, 0, 8, 0, 0, 0, 0, 0};  // an empty DACL: nobody may do anything
  ASSERT_TRUE(Sim().SetFileSecurity(L"C:\\doc.txt", win::DACL_SECURITY_INFORMATION, sim::BuildSecurity(mine)));
  std::vector<uint8_t> malformed = sim::BuildSecurity(mine);
  bytes::Put16(malformed.data() + 20 + 2, 400);  // the ACL claims more bytes than there are
  EXPECT_TRUE(Fails(Sim().SetFileSecurity(L"C:\\doc.txt", win::DACL_SECURITY_INFORMATION, malformed),
                    win::ERROR_INVALID_SECURITY_DESCR));

  // Labels: NTFS 32 characters, FAT 11 in upper case.
  EXPECT_TRUE(Sim().SetVolumeLabel(L"C:\\", L"System Disk"));
  EXPECT_TRUE(Fails(Sim().SetVolumeLabel(L"C:\\", std::wstring(33, L'x')), win::ERROR_LABEL_TOO_LONG));
  EXPECT_TRUE(Sim().SetVolumeLabel(L"D:\\", L"data"));
  EXPECT_TRUE(Fails(Sim().SetVolumeLabel(L"D:\\", L"a.b"), win::ERROR_INVALID_NAME));
  EXPECT_TRUE(Fails(Sim().SetVolumeLabel(L"G:\\", L"x"), win::ERROR_WRITE_PROTECT));

  // A new run of the same machine finds all of it.
  Sim().Disk(1).MutableConfig().writeProtected = false;
  Boot();
  std::vector<uint8_t> again;
  ASSERT_TRUE(Sim().GetFileSecurity(L"C:\\doc.txt", win::DACL_SECURITY_INFORMATION, &again));
  ASSERT_TRUE(sim::ParseSecurity(again.data(), again.size(), &parts));
  EXPECT_EQ(parts.dacl, mine.dacl);
  EXPECT_EQ(Entry(L"C:", L"doc.txt").times.creation, set.creation);
  std::wstring label;
  ASSERT_TRUE(Sim().GetVolumeLabel(L"C:\\", &label));
  EXPECT_EQ(label, L"System Disk");
  ASSERT_TRUE(Sim().GetVolumeLabel(L"D:\\", &label));
  EXPECT_EQ(label, L"DATA");
}

TEST_F(FilesTest, JunctionsAndSymbolicLinks) {
  Machine();
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\Users"));
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\ProgramData"));
  ASSERT_EQ(Put(L"C:\\ProgramData\\shared.txt", "shared"), 0u);
  ASSERT_EQ(Put(L"C:\\links.cmd",
                "mklink /J \"C:\\Documents and Settings\" \"C:\\Users\"\r\n"
                "mklink /D \"C:\\Users\\All Users\" \"..\\ProgramData\"\r\n"
                "mklink /J C:\\Users\\Loop C:\\Users\r\n"
                "mklink /J C:\\Self C:\\Self\r\n"),
            0u);
  platform::Handle p = Sim().ShellExecuteEx(L"open", L"C:\\links.cmd", L"", L"", win::SW_HIDE);
  uint32_t code = 1;
  ASSERT_TRUE(Sim().GetExitCodeProcess(p, &code));
  Sim().CloseHandle(p);
  EXPECT_EQ(code, 0u) << text::ToUtf8(Sim().Started().back().output);

  platform::FindData j = Entry(L"C:", L"Documents and Settings");
  EXPECT_EQ(j.attributes, win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(j.reparseTag, win::IO_REPARSE_TAG_MOUNT_POINT);
  EXPECT_EQ(Entry(L"C:\\Users", L"All Users").reparseTag, win::IO_REPARSE_TAG_SYMLINK);
  EXPECT_EQ(Get(L"C:\\Documents and Settings\\All Users\\shared.txt"), "shared") << "both links followed";
  EXPECT_EQ(Get(L"C:\\Users\\Loop\\Loop\\Loop\\All Users\\shared.txt"), "shared");
  EXPECT_EQ(Get(L"C:\\Self\\x.txt"), "error " + std::to_string(win::ERROR_CANT_RESOLVE_FILENAME));

  // The link's own data, read and refused as the file system does.
  platform::Handle h = Open(L"C:\\Users\\All Users", win::GENERIC_READ | win::GENERIC_WRITE, win::OPEN_EXISTING,
                            win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
  ASSERT_TRUE(platform::IsValid(h));
  std::vector<uint8_t> data(win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  uint32_t got = 0;
  ASSERT_TRUE(Sim().DeviceIoControl(h, win::FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), uint32_t(data.size()),
                                    &got));
  reparse::LinkData link;
  ASSERT_TRUE(reparse::ParseLinkData(data.data(), got, &link));
  EXPECT_EQ(link.substituteName, L"..\\ProgramData");
  EXPECT_EQ(link.flags, win::SYMLINK_FLAG_RELATIVE);
  std::vector<uint8_t> bad = reparse::BuildLinkData(reparse::MountPointTo(L"C:\\Elsewhere"));
  bytes::Put16(bad.data() + 10, 4000);  // the substitute name runs past the data
  EXPECT_TRUE(Fails(Sim().DeviceIoControl(h, win::FSCTL_SET_REPARSE_POINT, bad.data(), uint32_t(bad.size()), nullptr,
                                          0, &got),
                    win::ERROR_INVALID_REPARSE_DATA));
  Sim().CloseHandle(h);
  std::vector<uint8_t> junction = reparse::BuildLinkData(reparse::MountPointTo(L"C:\\Users"));
  h = Open(L"C:\\ProgramData", win::GENERIC_WRITE, win::OPEN_EXISTING,
           win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT);
  EXPECT_TRUE(Fails(Sim().DeviceIoControl(h, win::FSCTL_SET_REPARSE_POINT, junction.data(), uint32_t(junction.size()),
                                          nullptr, 0, &got),
                    win::ERROR_DIR_NOT_EMPTY));
  Sim().CloseHandle(h);
  h = Open(L"D:\\", win::GENERIC_WRITE, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  ASSERT_TRUE(Sim().CreateDirectory(L"D:\\Empty"));
  Sim().CloseHandle(h);
  h = Open(L"D:\\Empty", win::GENERIC_WRITE, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS);
  EXPECT_TRUE(Fails(Sim().DeviceIoControl(h, win::FSCTL_SET_REPARSE_POINT, junction.data(), uint32_t(junction.size()),
                                          nullptr, 0, &got),
                    win::ERROR_INVALID_FUNCTION))
      << "FAT has no reparse points";
  Sim().CloseHandle(h);

  // Removing a link leaves what it leads to.
  EXPECT_TRUE(Sim().RemoveDirectory(L"C:\\Documents and Settings"));
  EXPECT_EQ(Get(L"C:\\Users\\All Users\\shared.txt"), "shared");
}

TEST_F(FilesTest, InjectedFaultsFullVolumesAndLongPaths) {
  config_.fileFaults.push_back({L"C:\\Windows\\System32\\config\\SYSTEM", true, false, {}});
  config_.fileFaults.push_back({L"C:\\secret.txt", false, true, {}});
  config_.fileFaults.push_back({L"C:\\damaged.bin", false, false, {70000}});
  Machine();
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\Windows"));
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\Windows\\System32"));
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\Windows\\System32\\config"));
  WriteHostFile(Sim().Mounts().ByLetter(L'C')->hostFolder + "/Windows/System32/config/SYSTEM", {1, 2, 3});
  WriteHostFile(Sim().Mounts().ByLetter(L'C')->hostFolder + "/secret.txt", {1});
  WriteHostFile(Sim().Mounts().ByLetter(L'C')->hostFolder + "/damaged.bin", std::vector<uint8_t>(200000, 7));
  EXPECT_EQ(Get(L"C:\\windows\\system32\\CONFIG\\system"), "error " + std::to_string(win::ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Get(L"C:\\secret.txt"), "error " + std::to_string(win::ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Fails(Sim().DeleteFile(L"C:\\Windows\\System32\\config\\SYSTEM"), win::ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Entry(L"C:\\Windows\\System32\\config", L"SYSTEM").size, 3u) << "listed as usual";

  platform::Handle h = Open(L"C:\\damaged.bin", win::GENERIC_READ, win::OPEN_EXISTING);
  std::vector<uint8_t> buf(65536);
  uint32_t done = 0;
  EXPECT_TRUE(Sim().ReadFile(h, buf.data(), 65536, &done));
  EXPECT_EQ(done, 65536u);
  EXPECT_TRUE(Fails(Sim().ReadFile(h, buf.data(), 65536, &done), win::ERROR_CRC)) << "the chunk over byte 70000";
  EXPECT_EQ(done, 0u);
  Sim().CloseHandle(h);

  // E: holds 8 MiB: a 10 MiB file does not fit, written in 1 MiB pieces.
  h = Open(L"E:\\big.bin", win::GENERIC_WRITE, win::CREATE_ALWAYS);
  std::vector<uint8_t> mib(1 << 20, 5);
  int written = 0;
  while (written < 10 && Sim().WriteFile(h, mib.data(), uint32_t(mib.size()), &done)) ++written;
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_DISK_FULL);
  EXPECT_EQ(written, 8);
  Sim().CloseHandle(h);
  EXPECT_TRUE(Sim().DeleteFile(L"E:\\big.bin"));
  EXPECT_EQ(Put(L"E:\\again.bin", std::string(5 << 20, 'x')), 0u) << "deleting gave the space back";

  // Paths: MAX_PATH in the short form, 32767 characters in the long one.
  std::wstring deep = L"C:";
  while (deep.size() < 300) {
    deep += L"\\" + std::wstring(40, L'd');
    if (deep.size() < 260) {
      ASSERT_TRUE(Sim().CreateDirectory(deep));
    }
  }
  EXPECT_TRUE(Fails(Sim().CreateDirectory(deep), win::ERROR_FILENAME_EXCED_RANGE));
  std::wstring parent = deep.substr(0, deep.rfind(L'\\'));
  if (parent.size() >= 260) {
    ASSERT_TRUE(Sim().CreateDirectory(L"\\\\?\\" + parent));
  }
  EXPECT_TRUE(Sim().CreateDirectory(L"\\\\?\\" + deep));
  EXPECT_EQ(Put(L"\\\\?\\" + deep + L"\\f.txt", "deep"), 0u);
  EXPECT_EQ(Get(L"\\\\?\\" + deep + L"\\F.TXT"), "deep");
}

}  // namespace
