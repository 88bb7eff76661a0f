// The SMART reader against drives that fail one request or another, the
// count of drives read, refreshes, and the requests as the simulated
// driver checks them.
#include <gtest/gtest.h>

#include <cstring>

#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "health/health_figures.h"
#include "health/health_fixture.h"
#include "health/smart_reader.h"
#include "platform/winapi.h"

using namespace testing_support;

namespace {

const char* const kTwoAttributes =
    "size=32MiB,smart.attribute=id=5 value=100 worst=100 raw=3 threshold=36,"
    "smart.attribute=id=194 value=70 worst=60 raw=30";

}  // namespace

TEST_F(HealthTest, ReadSmartDriveResultsFollowTheRequestThatFailed) {
  struct Case {
    std::string settings;
    int result;
    bool attributes, thresholds, identified;
    std::wstring error;
  } cases[] = {
      {"", 1, true, true, true, L""},
      // SMART switched off until the enable command: the reader enables it.
      {",smart.enabled=0", 1, true, true, true, L""},
      {",smart.capabilities=3", -1, false, false, false, L""},
      {",smart.fail=enable", -2, false, false, false, L"Error 1117 in reading SMART Enabled flag"},
      {",smart.fail=version", 0, false, false, false, L""},
      {",smart.fail=thresholds", 0, true, false, true, L""},
      {",smart.fail=identify", 1, true, true, false, L""},
      // The drive refuses the read: the request succeeds with an error status.
      {",smart.fail=data:aborted", 1, false, true, true, L""},
  };
  for (const Case& c : cases) {
    config_.disks.clear();
    AddDisk(kTwoAttributes + c.settings);
    Boot();
    health::SmartReader reader{health::AttributeNameTable{}};
    EXPECT_EQ(reader.ReadSmartDrive(0), c.result) << c.settings;
    const health::SmartDriveRecord* r = reader.Drive(0);
    EXPECT_EQ(r->AttributesRead, c.attributes) << c.settings;
    EXPECT_EQ(r->ThresholdsRead, c.thresholds) << c.settings;
    EXPECT_EQ(r->Identified, c.identified) << c.settings;
    EXPECT_EQ(r->ErrorText, c.error) << c.settings;
    if (c.attributes) {
      const health::SmartAttribute* a = reader.Attribute(0, 5);
      ASSERT_TRUE(a);
      EXPECT_EQ(a->Threshold, c.thresholds ? 36 : -1) << c.settings;
      EXPECT_EQ(a->Raw, 3u);
    }
    // Without thresholds nothing can be called failing.
    EXPECT_EQ(health::AssessDrive(reader, 0).verdict,
              !c.attributes ? health::DiskVerdict::Unknown : health::DiskVerdict::Attention)
        << c.settings;
  }
}

TEST_F(HealthTest, OnlyDrivesThatDeliveredDataCountAsRead) {
  // The drives are those of the disk table, by their drive numbers; a
  // drive without SMART (-1) or that cannot switch it on (-2) is no success.
  AddDisk(kTwoAttributes);
  AddDisk("size=32MiB,smart=ata,smart.capabilities=3");
  AddDisk("size=32MiB,smart=ata,smart.fail=enable");
  AddDisk("size=32MiB,bus=Nvme,nvme.temperature=30");
  Boot();
  disk::RefreshDiskModel();
  health::SmartReader reader{health::AttributeNameTable{}};
  EXPECT_FALSE(reader.ReadSmartAllDrives());
  EXPECT_EQ(reader.AttemptCount(), 4);
  EXPECT_EQ(reader.SuccessCount(), 2);
  EXPECT_EQ(reader.Drive(1)->Result, -1);
  EXPECT_EQ(reader.Drive(2)->Result, -2);
  EXPECT_TRUE(reader.Drive(3)->NvmeRead);
}

TEST_F(HealthTest, ARefreshForgetsWhatTheDriveNoLongerReports) {
  AddDisk("size=32MiB,smart.attribute=id=7 value=100 worst=100 raw=1,smart.attribute=id=5 value=100 worst=100 raw=3,"
          "smart.attribute=id=9 value=100 worst=100 raw=10");
  Boot();
  health::SmartReader reader{health::AttributeNameTable{}};
  reader.ReadDrive(0);
  EXPECT_EQ(reader.FindAttributeSlot(0, 9), 2);
  // The drive now lists fewer attributes, in another order.
  auto& attrs = Sim().Disk(0).MutableConfig().smart.attributes;
  attrs = {attrs[2]};
  reader.ReadDrive(0);
  EXPECT_EQ(reader.FindAttributeSlot(0, 9), 0);
  EXPECT_EQ(reader.FindAttributeSlot(0, 5), -1);
  EXPECT_EQ(reader.FindAttributeSlot(0, 7), -1);
  EXPECT_FALSE(reader.Attribute(0, 5));
  // A drive that stops answering keeps nothing of its last read either.
  Sim().Disk(0).MutableConfig().smart.failures["version"] = {1117, false};
  reader.ReadDrive(0);
  EXPECT_EQ(reader.FindAttributeSlot(0, 9), -1);
  EXPECT_FALSE(reader.Drive(0)->HasData());
}

TEST_F(HealthTest, TheSimulatedDriverChecksSmartRequestsAsWindowsDoes) {
  AddDisk(kTwoAttributes);
  AddDisk("size=32MiB,bus=Nvme,nvme.temperature=30");
  AddDisk("size=32MiB,bus=Usb");
  Boot();
  auto& sys = Sim();
  auto open = [&](int n, uint32_t access) {
    return sys.CreateFile(disk::PhysicalDrivePath(n), access, 3, win::OPEN_EXISTING, 0);
  };
  auto command = [](uint8_t features, uint8_t cmd, uint8_t low, uint8_t high) {
    std::vector<uint8_t> in(sizeof(win::SendCmdInParams), 0);
    auto* p = reinterpret_cast<win::SendCmdInParams*>(in.data());
    p->cBufferSize = 512;
    p->irDriveRegs = {features, 1, 1, low, high, 0xA0, cmd, 0};
    return in;
  };
  const auto kRead = command(win::READ_ATTRIBUTES, win::SMART_CMD, win::SMART_CYL_LOW, win::SMART_CYL_HI);
  struct Case {
    int drive;
    uint32_t access, code;
    std::vector<uint8_t> in;
    uint32_t outBytes;
    uint32_t error;         // 0: the request succeeds
    uint8_t driverError;    // of a request that succeeds
  } cases[] = {
      {0, 0, win::SMART_GET_VERSION, {}, 24, win::ERROR_ACCESS_DENIED, 0},
      {0, win::GENERIC_READ, win::SMART_GET_VERSION, {}, 23, win::ERROR_INSUFFICIENT_BUFFER, 0},
      {0, win::GENERIC_READ, win::SMART_GET_VERSION, {}, 24, 0, 0},
      {0, win::GENERIC_READ, win::SMART_RCV_DRIVE_DATA, kRead, 528, win::ERROR_ACCESS_DENIED, 0},
      {0, win::GENERIC_READ | win::GENERIC_WRITE, win::SMART_RCV_DRIVE_DATA, kRead, 527, win::ERROR_INSUFFICIENT_BUFFER, 0},
      {0, win::GENERIC_READ | win::GENERIC_WRITE, win::SMART_RCV_DRIVE_DATA, kRead, 528, 0, 0},
      // SMART READ LOG is not passed through; a SMART command without its
      // signature registers is refused by the drive.
      {0, win::GENERIC_READ | win::GENERIC_WRITE, win::SMART_RCV_DRIVE_DATA,
       command(0xD5, win::SMART_CMD, win::SMART_CYL_LOW, win::SMART_CYL_HI), 528, win::ERROR_INVALID_PARAMETER, 0},
      {0, win::GENERIC_READ | win::GENERIC_WRITE, win::SMART_RCV_DRIVE_DATA,
       command(win::READ_ATTRIBUTES, win::SMART_CMD, 0, 0), 528, 0, win::SMART_IDE_ERROR},
      {1, win::GENERIC_READ, win::SMART_GET_VERSION, {}, 24, win::ERROR_INVALID_FUNCTION, 0},
      {2, win::GENERIC_READ, win::SMART_GET_VERSION, {}, 24, win::ERROR_INVALID_FUNCTION, 0},
  };
  for (const Case& c : cases) {
    platform::Handle h = open(c.drive, c.access);
    ASSERT_TRUE(platform::IsValid(h));
    std::vector<uint8_t> out(c.outBytes + 16, 0);
    uint32_t got = 0;
    bool ok = sys.DeviceIoControl(h, c.code, c.in.empty() ? nullptr : c.in.data(), uint32_t(c.in.size()), out.data(),
                                  c.outBytes, &got);
    EXPECT_EQ(ok, c.error == 0) << "case " << &c - cases;
    if (!ok) {
      EXPECT_EQ(sys.GetLastError(), c.error) << "case " << &c - cases;
    } else if (c.code == win::SMART_RCV_DRIVE_DATA) {
      EXPECT_EQ(reinterpret_cast<win::SendCmdOutParams*>(out.data())->Status.bDriverError, c.driverError);
    }
    sys.CloseHandle(h);
  }

  // IDENTIFY data with its integrity word: signature A5h and a checksum
  // that makes the 512 bytes add up to 0.
  platform::Handle h = open(0, win::GENERIC_READ | win::GENERIC_WRITE);
  std::vector<uint8_t> out(528, 0);
  uint32_t got = 0;
  auto id = command(0, win::ID_CMD, 0, 0);
  ASSERT_TRUE(sys.DeviceIoControl(h, win::SMART_RCV_DRIVE_DATA, id.data(), 32, out.data(), 528, &got));
  EXPECT_EQ(got, 528u);
  uint8_t sum = 0;
  for (int i = 16; i < 528; ++i) sum = uint8_t(sum + out[size_t(i)]);
  EXPECT_EQ(out[16 + 510], 0xA5);
  EXPECT_EQ(sum, 0);
  // RETURN SMART STATUS: the drive's own verdict is no threshold exceeded.
  auto status = command(win::RETURN_SMART_STATUS, win::SMART_CMD, win::SMART_CYL_LOW, win::SMART_CYL_HI);
  ASSERT_TRUE(sys.DeviceIoControl(h, win::SMART_SEND_DRIVE_COMMAND, status.data(), 32, out.data(), 24, &got));
  EXPECT_EQ(out[16 + 3], win::SMART_CYL_LOW);
  EXPECT_EQ(out[16 + 4], win::SMART_CYL_HI);
  sys.CloseHandle(h);
}

TEST_F(HealthTest, TheHealthLogNeedsAnNvmeDriveOnWindows10) {
  struct Case {
    std::string disk;
    uint32_t windows;
    bool read;
  } cases[] = {
      {"size=32MiB,bus=Nvme,nvme.temperature=30", 10, true},
      {"size=32MiB,bus=Nvme,nvme.temperature=30", 6, false},  // Windows 8.1 knows no protocol queries
      {"size=32MiB,bus=Nvme,nvme.temperature=30,smart.fail=health", 10, false},
      {kTwoAttributes, 10, false},  // a SATA drive answers no NVMe query
  };
  for (const Case& c : cases) {
    config_.disks.clear();
    config_.versionMajor = c.windows;
    AddDisk(c.disk);
    Boot();
    health::SmartReader reader{health::AttributeNameTable{}};
    EXPECT_EQ(reader.ReadNvmeHealth(0), c.read) << c.disk << " on " << c.windows;
  }
}

TEST_F(HealthTest, MachineFilesRefuseMalformedHealthSettings) {
  const char* bad[] = {
      "smart=maybe",
      "smart.version=one",
      "smart.attribute=value=5",                 // no id
      "smart.attribute=id=5 raw=0x1000000000000",  // more than six bytes
      "smart.attribute=id=300",
      "smart.fail=format",
      "smart.fail=data:none",
      "nvme.temperature=warm",
      "nvme.colour=red",
  };
  for (const char* s : bad) {
    sim::DiskConfig d;
    std::string error;
    EXPECT_FALSE(sim::ParseDiskOption(std::string("x.img,") + s, &d, &error)) << s;
    EXPECT_NE(error.find("disk setting"), std::string::npos) << error;
  }
  sim::DiskConfig d;
  std::string error, many = "x.img";
  for (int i = 1; i <= 31; ++i) many += ",smart.attribute=id=" + std::to_string(i);
  EXPECT_FALSE(sim::ParseDiskOption(many, &d, &error));
  EXPECT_NE(error.find("at most 30"), std::string::npos) << error;
}
