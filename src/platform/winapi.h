// The Windows constants and request layouts the engines use, written out so
// that the engines build without <windows.h>. The win32 backend checks every
// value here against the real headers (see win32/win32_checks.cpp).
#pragma once

#include <cstdint>

#include "platform/bytes.h"

namespace win {

// CreateFileW
inline constexpr uint32_t GENERIC_READ = 0x80000000u;
inline constexpr uint32_t GENERIC_WRITE = 0x40000000u;
inline constexpr uint32_t FILE_SHARE_READ = 1;
inline constexpr uint32_t FILE_SHARE_WRITE = 2;
inline constexpr uint32_t CREATE_NEW = 1;
inline constexpr uint32_t CREATE_ALWAYS = 2;
inline constexpr uint32_t OPEN_EXISTING = 3;
inline constexpr uint32_t OPEN_ALWAYS = 4;
inline constexpr uint32_t FILE_FLAG_WRITE_THROUGH = 0x80000000u;
inline constexpr uint32_t FILE_FLAG_NO_BUFFERING = 0x20000000u;
inline constexpr uint32_t FILE_FLAG_BACKUP_SEMANTICS = 0x02000000u;
inline constexpr uint32_t FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
inline constexpr uint32_t FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000u;
inline constexpr uint32_t GENERIC_ALL = 0x10000000u;
inline constexpr uint32_t DELETE = 0x00010000u;
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr uint32_t FILE_ATTRIBUTE_SPARSE_FILE = 0x200;
inline constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr uint32_t FILE_ATTRIBUTE_COMPRESSED = 0x800;
inline constexpr uint32_t FILE_ATTRIBUTE_OFFLINE = 0x1000;
inline constexpr uint32_t FILE_ATTRIBUTE_NOT_CONTENT_INDEXED = 0x2000;
// Reparse points and security
inline constexpr uint32_t IO_REPARSE_TAG_MOUNT_POINT = 0xA0000003u;
inline constexpr uint32_t IO_REPARSE_TAG_SYMLINK = 0xA000000Cu;
inline constexpr uint32_t SYMLINK_FLAG_RELATIVE = 1;
inline constexpr uint32_t MAXIMUM_REPARSE_DATA_BUFFER_SIZE = 16384;
inline constexpr uint32_t OWNER_SECURITY_INFORMATION = 1;
inline constexpr uint32_t GROUP_SECURITY_INFORMATION = 2;
inline constexpr uint32_t DACL_SECURITY_INFORMATION = 4;
// Named pipes and ShellExecuteExW
inline constexpr uint32_t PIPE_READMODE_MESSAGE = 2;
inline constexpr uint32_t NMPWAIT_USE_DEFAULT_WAIT = 0;
inline constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Error codes
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_NO_MORE_FILES = 18;
inline constexpr uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr uint32_t ERROR_NOT_READY = 21;
inline constexpr uint32_t ERROR_CRC = 23;
inline constexpr uint32_t ERROR_SECTOR_NOT_FOUND = 27;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_BROKEN_PIPE = 109;
inline constexpr uint32_t ERROR_DISK_FULL = 112;
inline constexpr uint32_t ERROR_SEM_TIMEOUT = 121;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_INVALID_NAME = 123;
inline constexpr uint32_t ERROR_NEGATIVE_SEEK = 131;
inline constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr uint32_t ERROR_LABEL_TOO_LONG = 154;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr uint32_t ERROR_DIRECTORY = 267;
inline constexpr uint32_t ERROR_PIPE_BUSY = 231;
inline constexpr uint32_t ERROR_NO_DATA = 232;
inline constexpr uint32_t ERROR_PIPE_NOT_CONNECTED = 233;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_CANCELLED = 1223;
inline constexpr uint32_t ERROR_INVALID_SECURITY_DESCR = 1338;
inline constexpr uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;
inline constexpr uint32_t ERROR_CANT_RESOLVE_FILENAME = 1921;
inline constexpr uint32_t ERROR_NOT_A_REPARSE_POINT = 4390;
inline constexpr uint32_t ERROR_REPARSE_ATTRIBUTE_CONFLICT = 4391;
inline constexpr uint32_t ERROR_INVALID_REPARSE_DATA = 4392;
inline constexpr uint32_t ERROR_UNRECOGNIZED_VOLUME = 1005;
inline constexpr uint32_t ERROR_IO_DEVICE = 1117;
inline constexpr uint32_t ERROR_DISK_CORRUPT = 1393;

// Registry
inline constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

// Drive types (GetDriveTypeW)
inline constexpr uint32_t DRIVE_UNKNOWN = 0;
inline constexpr uint32_t DRIVE_NO_ROOT_DIR = 1;
inline constexpr uint32_t DRIVE_REMOVABLE = 2;
inline constexpr uint32_t DRIVE_FIXED = 3;
inline constexpr uint32_t DRIVE_REMOTE = 4;
inline constexpr uint32_t DRIVE_CDROM = 5;
inline constexpr uint32_t DRIVE_RAMDISK = 6;

// Processes, waits, power
inline constexpr uint32_t STILL_ACTIVE = 259;
inline constexpr uint32_t WAIT_OBJECT_0 = 0;
inline constexpr uint32_t WAIT_TIMEOUT = 258;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;
inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;
inline constexpr intptr_t SE_ERR_FNF = 2;  // ShellExecuteW: the file was not found
inline constexpr uint32_t ES_SYSTEM_REQUIRED = 0x00000001;
inline constexpr uint32_t ES_CONTINUOUS = 0x80000000u;
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
inline constexpr uint32_t EWX_LOGOFF = 0;
inline constexpr uint32_t EWX_SHUTDOWN = 1;
inline constexpr uint32_t EWX_REBOOT = 2;
inline constexpr uint32_t EWX_FORCE = 4;
inline constexpr uint32_t EWX_POWEROFF = 8;

// Message boxes
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;  // the second button (No) is the default
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Device control codes
inline constexpr uint32_t IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000;
inline constexpr uint32_t IOCTL_DISK_IS_WRITABLE = 0x00070024;
inline constexpr uint32_t IOCTL_DISK_GET_PARTITION_INFO_EX = 0x00070048;
inline constexpr uint32_t IOCTL_DISK_GET_DRIVE_LAYOUT_EX = 0x00070050;
inline constexpr uint32_t IOCTL_DISK_SET_DRIVE_LAYOUT_EX = 0x0007C054;
inline constexpr uint32_t IOCTL_DISK_CREATE_DISK = 0x0007C058;
inline constexpr uint32_t IOCTL_DISK_GET_LENGTH_INFO = 0x0007405C;
inline constexpr uint32_t IOCTL_DISK_GROW_PARTITION = 0x0007C0D0;
inline constexpr uint32_t IOCTL_DISK_UPDATE_PROPERTIES = 0x00070140;
inline constexpr uint32_t IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400;
inline constexpr uint32_t IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x002D1080;
inline constexpr uint32_t IOCTL_STORAGE_GET_MEDIA_SERIAL_NUMBER = 0x002D0C10;
inline constexpr uint32_t IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS = 0x00560000;
inline constexpr uint32_t IOCTL_SCSI_MINIPORT = 0x0004D008;
inline constexpr uint32_t IOCTL_SCSI_MINIPORT_IDENTIFY = 0x001B0501;
inline constexpr uint32_t SMART_GET_VERSION = 0x00074080;
inline constexpr uint32_t SMART_RCV_DRIVE_DATA = 0x0007C088;
inline constexpr uint32_t SMART_SEND_DRIVE_COMMAND = 0x0007C084;
inline constexpr uint32_t FSCTL_LOCK_VOLUME = 0x00090018;
inline constexpr uint32_t FSCTL_UNLOCK_VOLUME = 0x0009001C;
inline constexpr uint32_t FSCTL_DISMOUNT_VOLUME = 0x00090020;
inline constexpr uint32_t FSCTL_EXTEND_VOLUME = 0x000900F0;
// Lets reads and writes of a volume handle reach the whole partition, not
// only the sectors its mounted file system spans.
inline constexpr uint32_t FSCTL_ALLOW_EXTENDED_DASD_IO = 0x00090083;
inline constexpr uint32_t FSCTL_SET_REPARSE_POINT = 0x000900A4;
inline constexpr uint32_t FSCTL_GET_REPARSE_POINT = 0x000900A8;

// Partition styles and storage bus types
inline constexpr uint32_t PARTITION_STYLE_MBR = 0;
inline constexpr uint32_t PARTITION_STYLE_GPT = 1;
inline constexpr uint32_t PARTITION_STYLE_RAW = 2;
inline constexpr uint32_t BusTypeUnknown = 0;
inline constexpr uint32_t BusTypeScsi = 1;
inline constexpr uint32_t BusTypeAtapi = 2;
inline constexpr uint32_t BusTypeAta = 3;
inline constexpr uint32_t BusType1394 = 4;
inline constexpr uint32_t BusTypeUsb = 7;
inline constexpr uint32_t BusTypeRAID = 8;
inline constexpr uint32_t BusTypeSas = 10;
inline constexpr uint32_t BusTypeSata = 11;
inline constexpr uint32_t BusTypeSd = 12;
inline constexpr uint32_t BusTypeNvme = 17;
inline constexpr uint32_t FILE_DEVICE_DISK = 7;
inline constexpr uint32_t FILE_DEVICE_CD_ROM = 2;

using bytes::Guid;
using bytes::LE16;
using bytes::LE32;
using bytes::LE64;

// DISK_GEOMETRY
struct DiskGeometry {
  LE64 Cylinders;          // 0
  LE32 MediaType;          // 8
  LE32 TracksPerCylinder;  // 12
  LE32 SectorsPerTrack;    // 16
  LE32 BytesPerSector;     // 20
};
static_assert(sizeof(DiskGeometry) == 24);

// GET_LENGTH_INFORMATION
struct LengthInfo {
  LE64 Length;
};
static_assert(sizeof(LengthInfo) == 8);

// PARTITION_INFORMATION_EX: the MBR and GPT variants share the first 32 bytes.
struct PartitionInfoEx {
  LE32 PartitionStyle;       // 0
  uint8_t pad0[4];           // 4
  LE64 StartingOffset;       // 8
  LE64 PartitionLength;      // 16
  LE32 PartitionNumber;      // 24
  uint8_t RewritePartition;  // 28
  uint8_t IsServicePartition;
  uint8_t pad1[2];
  union {
    struct {
      uint8_t PartitionType;        // 32
      uint8_t BootIndicator;        // 33
      uint8_t RecognizedPartition;  // 34
      uint8_t pad2;
      LE32 HiddenSectors;  // 36
      Guid PartitionId;    // 40
    } Mbr;
    struct {
      Guid PartitionType;  // 32
      Guid PartitionId;    // 48
      LE64 Attributes;     // 64
      LE16 Name[36];       // 72
    } Gpt;
  };
};
static_assert(sizeof(PartitionInfoEx) == 144);

// DRIVE_LAYOUT_INFORMATION_EX header; the entries follow at byte 48.
struct DriveLayoutHeader {
  LE32 PartitionStyle;  // 0
  LE32 PartitionCount;  // 4
  union {
    struct {
      LE32 Signature;  // 8
      LE32 CheckSum;   // 12
    } Mbr;
    struct {
      Guid DiskId;                // 8
      LE64 StartingUsableOffset;  // 24
      LE64 UsableLength;          // 32
      LE32 MaxPartitionCount;     // 40
      uint8_t pad[4];
    } Gpt;
  };
};
static_assert(sizeof(DriveLayoutHeader) == 48);
inline constexpr uint32_t kLayoutHeaderBytes = 48;
inline constexpr uint32_t kLayoutEntryBytes = 144;

// CREATE_DISK
struct CreateDisk {
  LE32 PartitionStyle;
  union {
    struct {
      LE32 Signature;
    } Mbr;
    struct {
      Guid DiskId;
      LE32 MaxPartitionCount;
    } Gpt;
  };
};
static_assert(sizeof(CreateDisk) == 24);

// DISK_GROW_PARTITION
struct DiskGrowPartition {
  LE32 PartitionNumber;
  uint8_t pad[4];
  LE64 BytesToGrow;
};
static_assert(sizeof(DiskGrowPartition) == 16);

// STORAGE_DEVICE_NUMBER
struct StorageDeviceNumber {
  LE32 DeviceType;
  LE32 DeviceNumber;
  LE32 PartitionNumber;
};
static_assert(sizeof(StorageDeviceNumber) == 12);

// VOLUME_DISK_EXTENTS with its DISK_EXTENT entries from byte 8
struct DiskExtent {
  LE32 DiskNumber;
  uint8_t pad[4];
  LE64 StartingOffset;
  LE64 ExtentLength;
};
static_assert(sizeof(DiskExtent) == 24);
struct VolumeDiskExtentsHeader {
  LE32 NumberOfDiskExtents;
  uint8_t pad[4];
};
static_assert(sizeof(VolumeDiskExtentsHeader) == 8);

// STORAGE_PROPERTY_QUERY
struct StoragePropertyQuery {
  LE32 PropertyId;
  LE32 QueryType;
  uint8_t AdditionalParameters[1];
  uint8_t pad[3];
};
static_assert(sizeof(StoragePropertyQuery) == 12);

// STORAGE_DEVICE_DESCRIPTOR (strings follow, addressed by the offsets)
struct StorageDeviceDescriptor {
  LE32 Version;                // 0
  LE32 Size;                   // 4
  uint8_t DeviceType;          // 8
  uint8_t DeviceTypeModifier;  // 9
  uint8_t RemovableMedia;      // 10
  uint8_t CommandQueueing;     // 11
  LE32 VendorIdOffset;         // 12
  LE32 ProductIdOffset;        // 16
  LE32 ProductRevisionOffset;  // 20
  LE32 SerialNumberOffset;     // 24
  LE32 BusType;                // 28
  LE32 RawPropertiesLength;    // 32
  uint8_t RawDeviceProperties[4];
};
static_assert(sizeof(StorageDeviceDescriptor) == 40);

// MEDIA_SERIAL_NUMBER_DATA: the serial bytes start at byte 16.
inline constexpr uint32_t kMediaSerialDataOffset = 16;

// ---- SMART requests (SMART_GET_VERSION, SMART_SEND_DRIVE_COMMAND,
// SMART_RCV_DRIVE_DATA) and their ATA registers
inline constexpr uint32_t CAP_ATA_ID_CMD = 1;
inline constexpr uint32_t CAP_ATAPI_ID_CMD = 2;
inline constexpr uint32_t CAP_SMART_CMD = 4;
inline constexpr uint8_t ATAPI_ID_CMD = 0xA1;
inline constexpr uint8_t ID_CMD = 0xEC;
inline constexpr uint8_t SMART_CMD = 0xB0;
inline constexpr uint8_t SMART_CYL_LOW = 0x4F;
inline constexpr uint8_t SMART_CYL_HI = 0xC2;
inline constexpr uint8_t READ_ATTRIBUTES = 0xD0;
inline constexpr uint8_t READ_THRESHOLDS = 0xD1;
inline constexpr uint8_t ENABLE_SMART = 0xD8;
inline constexpr uint8_t DISABLE_SMART = 0xD9;
inline constexpr uint8_t RETURN_SMART_STATUS = 0xDA;
inline constexpr uint8_t SMART_NO_ERROR = 0;
inline constexpr uint8_t SMART_IDE_ERROR = 1;
inline constexpr uint32_t IDENTIFY_BUFFER_SIZE = 512;
inline constexpr uint32_t READ_ATTRIBUTE_BUFFER_SIZE = 512;
inline constexpr uint32_t READ_THRESHOLD_BUFFER_SIZE = 512;

// GETVERSIONINPARAMS
struct GetVersionInParams {
  uint8_t bVersion;       // 0
  uint8_t bRevision;      // 1
  uint8_t bReserved;      // 2
  uint8_t bIDEDeviceMap;  // 3
  LE32 fCapabilities;     // 4
  LE32 dwReserved[4];     // 8
};
static_assert(sizeof(GetVersionInParams) == 24);

// IDEREGS: the ATA task-file registers of a command.
struct IdeRegs {
  uint8_t bFeaturesReg;      // 0
  uint8_t bSectorCountReg;   // 1
  uint8_t bSectorNumberReg;  // 2
  uint8_t bCylLowReg;        // 3
  uint8_t bCylHighReg;       // 4
  uint8_t bDriveHeadReg;     // 5
  uint8_t bCommandReg;       // 6
  uint8_t bReserved;         // 7
};
static_assert(sizeof(IdeRegs) == 8);

// SENDCMDINPARAMS; a request without data to send is the 32 bytes before
// bBuffer, with it cBufferSize bytes follow from byte 32.
struct SendCmdInParams {
  LE32 cBufferSize;     // 0
  IdeRegs irDriveRegs;  // 4
  uint8_t bDriveNumber;  // 12 (ignored: the handle names the drive)
  uint8_t bReserved[3];  // 13
  LE32 dwReserved[4];    // 16
  uint8_t bBuffer[1];    // 32
};
static_assert(sizeof(SendCmdInParams) == 33);
inline constexpr uint32_t kSendCmdInHeaderBytes = 32;

// DRIVERSTATUS
struct DriverStatus {
  uint8_t bDriverError;  // 0: SMART_NO_ERROR, SMART_IDE_ERROR ...
  uint8_t bIDEError;     // 1: the drive's error register
  uint8_t bReserved[2];
  LE32 dwReserved[2];
};
static_assert(sizeof(DriverStatus) == 12);

// SENDCMDOUTPARAMS; the returned data starts at byte 16.
struct SendCmdOutParams {
  LE32 cBufferSize;         // 0
  DriverStatus Status;      // 4
  uint8_t bBuffer[1];       // 16
};
static_assert(sizeof(SendCmdOutParams) == 17);
inline constexpr uint32_t kSendCmdOutHeaderBytes = 16;

// ---- Protocol-specific queries through IOCTL_STORAGE_QUERY_PROPERTY
// (Windows 10 and later): the NVMe log pages.
inline constexpr uint32_t PropertyStandardQuery = 0;
inline constexpr uint32_t StorageAdapterProtocolSpecificProperty = 49;
inline constexpr uint32_t StorageDeviceProtocolSpecificProperty = 50;
inline constexpr uint32_t ProtocolTypeNvme = 3;
inline constexpr uint32_t NVMeDataTypeLogPage = 2;
inline constexpr uint32_t NVME_LOG_PAGE_HEALTH_INFO = 2;

// STORAGE_PROTOCOL_SPECIFIC_DATA: in a query it follows the property id
// and query type (byte 8 of the request); ProtocolDataOffset counts from
// its own start.
struct StorageProtocolSpecificData {
  LE32 ProtocolType;                 // 0
  LE32 DataType;                     // 4
  LE32 ProtocolDataRequestValue;     // 8
  LE32 ProtocolDataRequestSubValue;  // 12
  LE32 ProtocolDataOffset;           // 16
  LE32 ProtocolDataLength;           // 20
  LE32 FixedProtocolReturnData;      // 24
  LE32 ProtocolDataRequestSubValue2;  // 28
  LE32 ProtocolDataRequestSubValue3;  // 32
  LE32 ProtocolDataRequestSubValue4;  // 36
};
static_assert(sizeof(StorageProtocolSpecificData) == 40);
inline constexpr uint32_t kPropertyQueryHeaderBytes = 8;  // STORAGE_PROPERTY_QUERY up to AdditionalParameters

// STORAGE_PROTOCOL_DATA_DESCRIPTOR: the answer to such a query.
struct StorageProtocolDataDescriptor {
  LE32 Version;  // 0: the size of this structure
  LE32 Size;     // 4
  StorageProtocolSpecificData ProtocolSpecificData;  // 8
};
static_assert(sizeof(StorageProtocolDataDescriptor) == 48);

// NVME_HEALTH_INFO_LOG (log page 02h). The counters are 128-bit
// little-endian numbers; data units are thousands of 512-byte sectors.
struct NvmeHealthInfoLog {
  uint8_t CriticalWarning;          // 0
  LE16 Temperature;                 // 1: kelvin
  uint8_t AvailableSpare;           // 3: percent
  uint8_t AvailableSpareThreshold;  // 4
  uint8_t PercentageUsed;           // 5
  uint8_t Reserved0[26];            // 6
  uint8_t DataUnitRead[16];         // 32
  uint8_t DataUnitWritten[16];      // 48
  uint8_t HostReadCommands[16];     // 64
  uint8_t HostWrittenCommands[16];  // 80
  uint8_t ControllerBusyTime[16];   // 96
  uint8_t PowerCycle[16];           // 112
  uint8_t PowerOnHours[16];         // 128
  uint8_t UnsafeShutdowns[16];      // 144
  uint8_t MediaErrors[16];          // 160
  uint8_t ErrorInfoLogEntryCount[16];  // 176
  LE32 WarningCompositeTemperatureTime;   // 192
  LE32 CriticalCompositeTemperatureTime;  // 196
  LE16 TemperatureSensor[8];              // 200
  uint8_t Reserved1[296];                 // 216
};
static_assert(sizeof(NvmeHealthInfoLog) == 512);

}  // namespace win
