// Writes seed inputs for the partition reader: an MBR with an extended
// chain, a GPT with a reserved partition, a whole-disk volume.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "disk_input.h"
#include "platform/bytes.h"
#include "platform/crc32.h"

namespace {

struct Entry {
  uint32_t type, start, length;
};

std::vector<uint8_t> Table(const std::vector<Entry>& entries) {
  std::vector<uint8_t> s(512, 0);
  int i = 0;
  for (auto& e : entries) {
    uint8_t* p = s.data() + 446 + 16 * i++;
    p[4] = uint8_t(e.type);
    bytes::Put32(p + 8, e.start);
    bytes::Put32(p + 12, e.length);
  }
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

void Save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& input) {
  std::ofstream out(dir + "/" + name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
}

std::vector<uint8_t> Header(uint64_t sectors) {
  std::vector<uint8_t> in(8);
  bytes::Put64(in.data(), sectors - 1);
  return in;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  {
    auto in = Header(400000);
    fuzzing::AppendSector(&in, 0, Table({{0x07, 2048, 50000}, {0x04, 60000, 20000}, {0x0F, 100000, 200000}}));
    fuzzing::AppendSector(&in, 100000, Table({{0x07, 2048, 30000}, {0x05, 40000, 40000}}));
    fuzzing::AppendSector(&in, 140000, Table({{0x0B, 2048, 30000}}));
    std::vector<uint8_t> boot(512, 0);
    boot[0x55] = '3';
    fuzzing::AppendSector(&in, 60000, boot);
    Save(dir, "mbr-chain", in);
  }
  {
    const uint64_t sectors = 2097152;
    auto in = Header(sectors);
    fuzzing::AppendSector(&in, 0, Table({{0xEE, 1, uint32_t(sectors - 1)}}));
    std::vector<uint8_t> array(512, 0);
    const char* reserved = "Microsoft reserved partition";
    bytes::Put64(array.data() + 32, 34);
    bytes::Put64(array.data() + 40, 262177);
    for (int k = 0; reserved[k]; ++k) bytes::Put16(array.data() + 56 + 2 * k, uint8_t(reserved[k]));
    array[0] = 0x16;
    bytes::Put64(array.data() + 128 + 32, 264192);
    bytes::Put64(array.data() + 128 + 40, 468991);
    array[128] = 0xA2;
    std::vector<uint8_t> h(512, 0);
    std::memcpy(h.data(), "EFI PART", 8);
    bytes::Put32(h.data() + 12, 92);
    bytes::Put64(h.data() + 24, 1);
    bytes::Put64(h.data() + 72, 2);
    bytes::Put32(h.data() + 80, 128);
    bytes::Put32(h.data() + 84, 128);
    bytes::Put32(h.data() + 16, crc::Crc32(h.data(), 92));
    fuzzing::AppendSector(&in, 1, h);
    fuzzing::AppendSector(&in, 2, array);
    Save(dir, "gpt", in);
  }
  {
    auto in = Header(81920);
    std::vector<uint8_t> boot(512, 0);
    const uint8_t head[] = {0xEB, 0x58, 0x90, 'M', 'S', 'D', 'O', 'S', '5', '.', '0', 0x00, 0x02};
    std::memcpy(boot.data(), head, sizeof head);
    std::memcpy(boot.data() + 0x52, "FAT32   ", 8);
    bytes::Put32(boot.data() + 0x20, 81920);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    fuzzing::AppendSector(&in, 0, boot);
    Save(dir, "whole-disk-fat32", in);
  }
  return 0;
}
