// The health reading over a drive whose answers come from the fuzzer: its
// SMART attribute and threshold entries (any ids, duplicates, values at and
// below thresholds, six-byte raw values), its NVMe health log, requests
// that fail, and the attribute-names settings file beside the program.
// Beyond not crashing: at most one table of 30 attributes, lookups that
// find what they were asked for, a drive with a failing attribute never
// judged anything but failing, and every text of the pages built.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "health/attribute_names.h"
#include "health/drive_facts.h"
#include "health/health_figures.h"
#include "health/health_texts.h"
#include "health/profile_file.h"
#include "health/smart_reader.h"
#include "platform/bytes.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_system.h"
#include "ui/scripted/scripted_host.h"

namespace {

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// Takes bytes from the front of the input; zeros once it runs out.
struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  uint64_t Bytes(int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= uint64_t(Byte()) << (8 * i);
    return v;
  }
};

sim::SmartSetting SettingFrom(Cursor& in) {
  sim::SmartSetting s;
  uint8_t mode = in.Byte();
  s.kind = (mode & 1) ? sim::SmartSetting::Kind::Nvme : sim::SmartSetting::Kind::Ata;
  s.enabled = (mode & 2) == 0;
  s.version = in.Byte();
  s.revision = in.Byte();
  s.deviceMap = in.Byte();
  s.capabilities = uint32_t(in.Bytes(4));
  s.bufferSectors = uint16_t(in.Bytes(2));
  uint8_t failing = in.Byte();
  const char* requests[] = {"version", "enable", "identify", "data", "thresholds", "health"};
  for (int i = 0; i < 6; ++i)
    if (failing & (1 << i)) s.failures[requests[i]] = sim::SmartFailure{(failing & 0x80) ? 0u : 31u, (failing & 0x80) != 0};
  int count = in.Byte() % 31;
  for (int i = 0; i < count; ++i) {
    sim::SmartAttributeSetting a;
    a.id = in.Byte();
    a.flags = uint16_t(in.Bytes(2));
    a.value = in.Byte();
    a.worst = in.Byte();
    a.raw = in.Bytes(6);
    a.threshold = in.Byte();
    s.attributes.push_back(a);
  }
  s.criticalWarning = in.Byte();
  s.temperatureKelvin = uint16_t(in.Bytes(2));
  s.spare = in.Byte();
  s.spareThreshold = in.Byte();
  s.percentUsed = in.Byte();
  s.dataUnitsRead = in.Bytes(8);
  s.dataUnitsWritten = in.Bytes(8);
  s.powerCycles = in.Bytes(4);
  s.powerOnHours = in.Bytes(8);
  s.unsafeShutdowns = in.Bytes(4);
  s.mediaErrors = in.Bytes(8);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Cursor in{data, size};
  sim::MachineConfig config;
  sim::DiskConfig d;
  d.image = "fuzz";
  d.model = "Fuzz Disk";
  d.memory = std::make_shared<sim::MemoryImage>();
  d.sizeBytes = 64 * 512;
  d.smart = SettingFrom(in);
  config.disks.push_back(d);
  config.programHost = "/nonexistent/vektrel-fuzz";
  config.filesRoot = "/nonexistent/vektrel-fuzz";
  std::string error;
  auto machine = sim::SimSystem::Create(config, &error);
  if (!machine) return 0;
  static ui::ScriptedHost host;
  platform::SetSystem(machine.get());
  ui::SetHost(&host);

  // What is left is the settings file that names the attributes.
  health::ProfileFile ini;
  ini.Parse(std::vector<uint8_t>(data + in.at, data + size));
  ini.GetString(L"General", L"Max Attributes", L"", 3);
  health::AttributeNameTable names = health::AttributeNamesFrom(ini);
  Require(names.size() <= size_t(health::kMaxAttributeSections), "at most one name per attribute id");
  for (const auto& [id, info] : names) Require(id >= 1 && id <= 255 && info.Id == id, "names keyed by their id");

  health::SmartReader reader(names);
  reader.ReadDrive(0);
  const health::SmartDriveRecord* rec = reader.Drive(0);
  Require(rec != nullptr, "the drive has a record");
  Require(rec->Attributes.size() <= size_t(health::kSmartPageEntries), "one page of attributes");
  bool anyFailing = false;
  for (int id = 0; id <= 255; ++id) {
    const health::SmartAttribute* a = reader.Attribute(0, id);
    if (!a) continue;
    Require(a->Id == id && id != 0, "a lookup finds the attribute asked for");
    anyFailing |= health::AttributeFailing(*a);
  }
  health::Assessment verdict = health::AssessDrive(reader, 0);
  if (anyFailing) Require(verdict.verdict == health::DiskVerdict::Failing, "a failing attribute fails the drive");
  if (!rec->HasData()) Require(verdict.verdict == health::DiskVerdict::Unknown, "no data, no verdict");
  for (const health::Finding& f : verdict.findings) health::FindingText(reader, f);
  health::TemperatureText(reader, 0);
  health::PowerOnText(reader, 0);
  health::Figures(reader, 0);
  health::DriveFacts facts;
  facts.driveNumber = 0;
  facts.inTable = true;
  facts.sizeSectors = 64;
  health::DetailRows(reader, 0, facts);
  health::SummaryRows(reader, 0, facts);
  health::AttributeListRows(reader, {0});
  return 0;
}
