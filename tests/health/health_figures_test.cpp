// The figures the health pages derive: temperature and its verdict, the
// verdict on a drive (NVMe cases), 128-bit counters, the unique device id
// and the attribute-name file.
#include <gtest/gtest.h>

#include <fstream>

#include "health/attribute_names.h"
#include "health/drive_facts.h"
#include "health/health_figures.h"
#include "health/health_fixture.h"
#include "health/smart_pages.h"

using namespace testing_support;

TEST(HealthFigures, TemperatureVerdictHasNoGaps) {
  struct Case {
    int fahrenheit;
    health::HealthVerdict verdict;
  } cases[] = {{104, health::HealthVerdict::Good},          {149, health::HealthVerdict::Good},
               {150, health::HealthVerdict::NeedAttention}, {200, health::HealthVerdict::NeedAttention},
               {249, health::HealthVerdict::NeedAttention}, {250, health::HealthVerdict::Bad},
               {252, health::HealthVerdict::Bad}};
  for (const Case& c : cases) EXPECT_EQ(health::TemperatureVerdict(c.fahrenheit), c.verdict) << c.fahrenheit;
  EXPECT_EQ(health::CelsiusToFahrenheit(40), 104);
  EXPECT_EQ(health::CelsiusToFahrenheit(66), 151);  // 150.8
  EXPECT_EQ(health::CelsiusToFahrenheit(121), 250);
}

TEST_F(HealthTest, NvmeVerdictFollowsWarningSpareWearAndErrors) {
  struct Case {
    std::string fields;
    health::DiskVerdict verdict;
  } cases[] = {
      {"", health::DiskVerdict::Good},
      {",nvme.warning=2", health::DiskVerdict::Attention},  // temperature
      {",nvme.warning=4", health::DiskVerdict::Failing},    // reliability degraded
      {",nvme.warning=8", health::DiskVerdict::Failing},    // read-only
      {",nvme.used=100", health::DiskVerdict::Attention},
      {",nvme.mediaerrors=3", health::DiskVerdict::Attention},
      {",nvme.spare=10,nvme.sparethreshold=10", health::DiskVerdict::Failing},
      {",nvme.spare=5,nvme.sparethreshold=0", health::DiskVerdict::Good},  // no threshold set
  };
  for (const Case& c : cases) {
    config_.disks.clear();
    AddDisk("size=32MiB,bus=Nvme,smart=nvme,nvme.spare=100,nvme.sparethreshold=10" + c.fields);
    Boot();
    health::SmartReader reader{health::AttributeNameTable{}};
    reader.ReadDrive(0);
    EXPECT_EQ(health::AssessDrive(reader, 0).verdict, c.verdict) << c.fields;
  }
}

TEST(HealthFigures, CountersAreShownWhole) {
  EXPECT_EQ(health::Counter128Text({0, 0}), L"0");
  EXPECT_EQ(health::Counter128Text({UINT64_MAX, 0}), L"18446744073709551615");
  EXPECT_EQ(health::Counter128Text({0, 1}), L"18446744073709551616");
  EXPECT_EQ(health::Counter128Text({UINT64_MAX, UINT64_MAX}), L"340282366920938463463374607431768211455");
}

TEST_F(HealthTest, UniqueDeviceIdComesFromTheInstancePath) {
  struct Case {
    std::wstring path, id;
  } cases[] = {
      {L"IDE\\DiskST500\\5&1a2b3c&0&0.0.0", L"1a2b3c"},
      {L"USBSTOR\\Disk&Ven_X\\ABCDEF&0", L"ABCDEF"},
      {L"SCSI\\Disk&Ven_\\4&2f3a1c7d&0&000000", L"2f3a1c7d"},
      {L"ROOT\\PLAIN", L"PLAIN"},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(health::UniqueIdFromInstancePath(c.path), c.id) << c.path;
  AddDisk("size=32MiB");
  sim::RegistrySeed seed;
  seed.key = L"HKLM\\SYSTEM\\ControlSet001\\Services\\disk\\Enum";
  seed.name = L"0";
  seed.data = text::EncodeUtf16LE(L"IDE\\D\\5&77aa&0&0.0.0");
  seed.data.insert(seed.data.end(), {0, 0});
  config_.registry.push_back(seed);
  Boot();
  EXPECT_EQ(health::UniqueDeviceId(0), L"77aa");
  EXPECT_EQ(health::UniqueDeviceId(1), L"");
}

TEST(AttributeNames, TheFileIsReadAsTheProfileFunctionsReadIt) {
  auto parse = [](const std::string& text) {
    health::ProfileFile f;
    f.Parse(std::vector<uint8_t>(text.begin(), text.end()));
    return health::AttributeNamesFrom(f);
  };
  health::AttributeNameTable t = parse(
      "[general]\nmax attributes = 4\n"
      "[Attrib0]\nId=5\nCritical=1\nName = \"Reallocated\" \n"
      "[Attrib1]\nId=5\nName=Second naming of 5\n"
      "[Attrib2]\nId=256\nName=Out of range\n"
      "[Attrib3]\nId=194\nName=Temperature\nName=Repeated key\nDetails=Celsius; low byte\n"
      "[Attrib4]\nId=9\nName=Beyond the count\n");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[5].Name, L"Reallocated");
  EXPECT_EQ(t[5].Critical, 1);
  EXPECT_EQ(t[194].Name, L"Temperature");
  EXPECT_EQ(t[194].Details, L"Celsius; low byte");
  // A count far beyond what ids can name is cut, and reading stays quick.
  EXPECT_EQ(parse("[General]\nMax Attributes=2147483647\n[Attrib254]\nId=3\nName=Last read\n[Attrib255]\nId=4\n").size(),
            1u);
  EXPECT_TRUE(parse("[General]\nMax Attributes=-5\n[Attrib0]\nId=3\n").empty());
  EXPECT_TRUE(parse("").empty());
  // A UTF-16 file with its byte-order mark.
  std::vector<uint8_t> utf16 = {0xFF, 0xFE};
  std::vector<uint8_t> body = text::EncodeUtf16LE(L"[General]\r\nMax Attributes=1\r\n[Attrib0]\r\nId=9\r\nName=Betriebsstunden\r\n");
  utf16.insert(utf16.end(), body.begin(), body.end());
  health::ProfileFile f;
  f.Parse(utf16);
  EXPECT_EQ(health::AttributeNamesFrom(f)[9].Name, L"Betriebsstunden");
}

TEST_F(HealthTest, TheShippedNamesFileLiesBesideTheProgram) {
  Boot();
  EXPECT_EQ(health::AttributeNamesPath(), L"C:\\Vektrel\\vektrel.ini");
  health::AttributeNameTable t = health::LoadAttributeNames();
  EXPECT_GT(t.size(), 40u);
  for (int id : {1, 5, 10, 184, 187, 188, 196, 197, 198}) EXPECT_NE(t[id].Critical, 0) << id;
  for (int id : {9, 194, 12}) EXPECT_EQ(t[id].Critical, 0) << id;
  // The console program takes the file of the program beside it.
  config_.programPath = L"C:\\Vektrel\\vektrel-cli.exe";
  Boot();
  EXPECT_EQ(health::LoadAttributeNames().size(), t.size());
  // Without the file the table is empty.
  config_.programPath = L"C:\\Elsewhere\\other.exe";
  config_.programHost = dir_.Path();
  Boot();
  EXPECT_TRUE(health::LoadAttributeNames().empty());
}
