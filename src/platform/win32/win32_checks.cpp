// Compile-time proof that the constants and request layouts written out in
// platform/winapi.h are the ones of the Windows headers. Nothing here runs.
//
// winapi.h must come before <windows.h>: its names are macros there. Each
// value is first copied under another name, then compared once the Windows
// headers are in.
#include <cstddef>
#include <cstdint>

#include "platform/system.h"
#include "platform/winapi.h"

// clang-format off
#define VEKTREL_WINAPI_CONSTANTS(X) \
  X(GENERIC_READ) X(GENERIC_WRITE) X(FILE_SHARE_READ) X(FILE_SHARE_WRITE) X(CREATE_NEW) X(CREATE_ALWAYS) \
  X(OPEN_EXISTING) X(OPEN_ALWAYS) X(FILE_FLAG_WRITE_THROUGH) X(FILE_FLAG_NO_BUFFERING) \
  X(FILE_FLAG_BACKUP_SEMANTICS) X(FILE_ATTRIBUTE_READONLY) X(FILE_ATTRIBUTE_HIDDEN) X(FILE_ATTRIBUTE_SYSTEM) \
  X(FILE_ATTRIBUTE_DIRECTORY) X(FILE_ATTRIBUTE_ARCHIVE) X(FILE_ATTRIBUTE_NORMAL) \
  X(FILE_ATTRIBUTE_REPARSE_POINT) X(INVALID_FILE_ATTRIBUTES) X(ERROR_SUCCESS) X(ERROR_INVALID_FUNCTION) \
  X(ERROR_FILE_NOT_FOUND) X(ERROR_PATH_NOT_FOUND) X(ERROR_ACCESS_DENIED) X(ERROR_INVALID_HANDLE) \
  X(ERROR_NOT_ENOUGH_MEMORY) X(ERROR_NO_MORE_FILES) X(ERROR_WRITE_PROTECT) X(ERROR_NOT_READY) X(ERROR_CRC) \
  X(ERROR_SECTOR_NOT_FOUND) X(ERROR_GEN_FAILURE) X(ERROR_SHARING_VIOLATION) X(ERROR_LOCK_VIOLATION) \
  X(ERROR_NOT_SUPPORTED) X(ERROR_INVALID_PARAMETER) X(ERROR_INSUFFICIENT_BUFFER) X(ERROR_ALREADY_EXISTS) \
  X(ERROR_PIPE_BUSY) X(ERROR_MORE_DATA) X(ERROR_UNRECOGNIZED_VOLUME) X(ERROR_DISK_CORRUPT) \
  X(REG_SZ) X(REG_BINARY) X(REG_DWORD) \
  X(KEY_QUERY_VALUE) X(KEY_SET_VALUE) X(KEY_ALL_ACCESS) X(DRIVE_UNKNOWN) X(DRIVE_NO_ROOT_DIR) \
  X(DRIVE_REMOVABLE) X(DRIVE_FIXED) X(DRIVE_REMOTE) X(DRIVE_CDROM) X(DRIVE_RAMDISK) X(STILL_ACTIVE) \
  X(WAIT_OBJECT_0) X(WAIT_TIMEOUT) X(ES_SYSTEM_REQUIRED) X(ES_CONTINUOUS) X(SW_HIDE) X(SW_SHOWNORMAL) \
  X(SW_SHOW) X(VER_PLATFORM_WIN32_NT) X(EWX_LOGOFF) X(EWX_SHUTDOWN) X(EWX_REBOOT) X(EWX_FORCE) \
  X(EWX_POWEROFF) X(MB_OK) X(MB_OKCANCEL) X(MB_YESNO) X(MB_ICONERROR) X(MB_ICONQUESTION) \
  X(MB_ICONEXCLAMATION) X(MB_ICONINFORMATION) X(MB_DEFBUTTON2) X(MB_TASKMODAL) X(IDOK) X(IDCANCEL) X(IDYES) X(IDNO) \
  X(IOCTL_DISK_GET_DRIVE_GEOMETRY) X(IOCTL_DISK_IS_WRITABLE) X(IOCTL_DISK_GET_PARTITION_INFO_EX) \
  X(IOCTL_DISK_GET_DRIVE_LAYOUT_EX) X(IOCTL_DISK_SET_DRIVE_LAYOUT_EX) X(IOCTL_DISK_CREATE_DISK) \
  X(IOCTL_DISK_GET_LENGTH_INFO) \
  X(IOCTL_DISK_GROW_PARTITION) X(IOCTL_DISK_UPDATE_PROPERTIES) X(IOCTL_STORAGE_QUERY_PROPERTY) \
  X(IOCTL_STORAGE_GET_DEVICE_NUMBER) X(IOCTL_STORAGE_GET_MEDIA_SERIAL_NUMBER) \
  X(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS) X(IOCTL_SCSI_MINIPORT) \
  X(SMART_GET_VERSION) X(SMART_RCV_DRIVE_DATA) X(FSCTL_LOCK_VOLUME) X(FSCTL_UNLOCK_VOLUME) \
  X(FSCTL_DISMOUNT_VOLUME) X(FSCTL_EXTEND_VOLUME) X(FSCTL_ALLOW_EXTENDED_DASD_IO) X(PARTITION_STYLE_MBR) X(PARTITION_STYLE_GPT) \
  X(PARTITION_STYLE_RAW) X(BusTypeUnknown) X(BusTypeScsi) X(BusTypeAtapi) X(BusTypeAta) X(BusType1394) \
  X(BusTypeUsb) X(BusTypeRAID) X(BusTypeSas) X(BusTypeSata) X(BusTypeSd) X(BusTypeNvme) X(FILE_DEVICE_DISK) \
  X(FILE_DEVICE_CD_ROM) X(FILE_FLAG_OPEN_REPARSE_POINT) X(GENERIC_ALL) X(FILE_ATTRIBUTE_OFFLINE) \
  X(FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) X(IO_REPARSE_TAG_MOUNT_POINT) X(IO_REPARSE_TAG_SYMLINK) \
  X(OWNER_SECURITY_INFORMATION) X(GROUP_SECURITY_INFORMATION) X(DACL_SECURITY_INFORMATION) \
  X(PIPE_READMODE_MESSAGE) X(NMPWAIT_USE_DEFAULT_WAIT) X(ERROR_HANDLE_EOF) X(ERROR_FILE_EXISTS) \
  X(ERROR_SEM_TIMEOUT) X(ERROR_DIR_NOT_EMPTY) X(ERROR_PRIVILEGE_NOT_HELD) X(ERROR_NOT_A_REPARSE_POINT) \
  X(FSCTL_SET_REPARSE_POINT) X(FSCTL_GET_REPARSE_POINT) X(ERROR_NEGATIVE_SEEK) X(DELETE) \
  X(FILE_ATTRIBUTE_TEMPORARY) X(FILE_ATTRIBUTE_SPARSE_FILE) X(FILE_ATTRIBUTE_COMPRESSED) \
  X(SYMLINK_FLAG_RELATIVE) X(MAXIMUM_REPARSE_DATA_BUFFER_SIZE) X(ERROR_BROKEN_PIPE) X(ERROR_DISK_FULL) \
  X(ERROR_INVALID_NAME) X(ERROR_LABEL_TOO_LONG) X(ERROR_FILENAME_EXCED_RANGE) X(ERROR_NO_DATA) \
  X(ERROR_PIPE_NOT_CONNECTED) X(ERROR_CANT_RESOLVE_FILENAME) X(ERROR_INVALID_REPARSE_DATA) X(WAIT_FAILED) \
  X(INFINITE) X(SE_ERR_FNF) X(ERROR_CANCELLED) X(ERROR_DIRECTORY) X(ERROR_INVALID_SECURITY_DESCR) \
  X(ERROR_REPARSE_ATTRIBUTE_CONFLICT) X(ERROR_IO_DEVICE) \
  X(SMART_SEND_DRIVE_COMMAND) X(CAP_ATA_ID_CMD) X(CAP_ATAPI_ID_CMD) X(CAP_SMART_CMD) X(ATAPI_ID_CMD) X(ID_CMD) \
  X(SMART_CMD) X(SMART_CYL_LOW) X(SMART_CYL_HI) X(READ_ATTRIBUTES) X(READ_THRESHOLDS) X(ENABLE_SMART) \
  X(DISABLE_SMART) X(RETURN_SMART_STATUS) X(SMART_NO_ERROR) X(SMART_IDE_ERROR) X(IDENTIFY_BUFFER_SIZE) \
  X(READ_THRESHOLD_BUFFER_SIZE) X(PropertyStandardQuery) \
  X(StorageAdapterProtocolSpecificProperty) X(StorageDeviceProtocolSpecificProperty) X(ProtocolTypeNvme) \
  X(NVMeDataTypeLogPage) X(NVME_LOG_PAGE_HEALTH_INFO)
// clang-format on

namespace ours {
#define VEKTREL_COPY(name) inline constexpr auto name##_ = win::name;
VEKTREL_WINAPI_CONSTANTS(VEKTREL_COPY)
#undef VEKTREL_COPY
inline constexpr uint32_t HKCU_ = win::HKEY_CURRENT_USER;
inline constexpr uint32_t HKLM_ = win::HKEY_LOCAL_MACHINE;
}  // namespace ours

#include "platform/win32/windows_include.h"

#include <ntddscsi.h>
#include <nvme.h>

// All values fit in 32 bits; compare them as such so that LONG, DWORD,
// int and enum constants meet on equal terms.
#define VEKTREL_CHECK(name) static_assert(uint32_t(ours::name##_) == uint32_t(name), #name);
VEKTREL_WINAPI_CONSTANTS(VEKTREL_CHECK)
#undef VEKTREL_CHECK

// The HKEY roots are pointer casts, which a constant expression may not
// hold; read through an integer type they are the sign-extended values.
#define HKEY ULONG_PTR
static_assert(ULONG_PTR(HKEY_CURRENT_USER) == ULONG_PTR(LONG(ours::HKCU_)));
static_assert(ULONG_PTR(HKEY_LOCAL_MACHINE) == ULONG_PTR(LONG(ours::HKLM_)));
#undef HKEY

// Layouts: sizes and the offsets the engines read and write.
#define VEKTREL_SAME_OFFSET(ourType, ourField, winType, winField) \
  static_assert(offsetof(win::ourType, ourField) == offsetof(winType, winField), #winType "." #winField)

static_assert(sizeof(win::DiskGeometry) == sizeof(DISK_GEOMETRY));
VEKTREL_SAME_OFFSET(DiskGeometry, MediaType, DISK_GEOMETRY, MediaType);
VEKTREL_SAME_OFFSET(DiskGeometry, TracksPerCylinder, DISK_GEOMETRY, TracksPerCylinder);
VEKTREL_SAME_OFFSET(DiskGeometry, SectorsPerTrack, DISK_GEOMETRY, SectorsPerTrack);
VEKTREL_SAME_OFFSET(DiskGeometry, BytesPerSector, DISK_GEOMETRY, BytesPerSector);

static_assert(sizeof(win::LengthInfo) == sizeof(GET_LENGTH_INFORMATION));

static_assert(sizeof(win::PartitionInfoEx) == sizeof(PARTITION_INFORMATION_EX));
VEKTREL_SAME_OFFSET(PartitionInfoEx, StartingOffset, PARTITION_INFORMATION_EX, StartingOffset);
VEKTREL_SAME_OFFSET(PartitionInfoEx, PartitionLength, PARTITION_INFORMATION_EX, PartitionLength);
VEKTREL_SAME_OFFSET(PartitionInfoEx, PartitionNumber, PARTITION_INFORMATION_EX, PartitionNumber);
VEKTREL_SAME_OFFSET(PartitionInfoEx, RewritePartition, PARTITION_INFORMATION_EX, RewritePartition);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Mbr.PartitionType, PARTITION_INFORMATION_EX, Mbr.PartitionType);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Mbr.BootIndicator, PARTITION_INFORMATION_EX, Mbr.BootIndicator);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Mbr.RecognizedPartition, PARTITION_INFORMATION_EX, Mbr.RecognizedPartition);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Mbr.HiddenSectors, PARTITION_INFORMATION_EX, Mbr.HiddenSectors);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Gpt.PartitionType, PARTITION_INFORMATION_EX, Gpt.PartitionType);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Gpt.PartitionId, PARTITION_INFORMATION_EX, Gpt.PartitionId);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Gpt.Attributes, PARTITION_INFORMATION_EX, Gpt.Attributes);
VEKTREL_SAME_OFFSET(PartitionInfoEx, Gpt.Name, PARTITION_INFORMATION_EX, Gpt.Name);

VEKTREL_SAME_OFFSET(DriveLayoutHeader, PartitionCount, DRIVE_LAYOUT_INFORMATION_EX, PartitionCount);
VEKTREL_SAME_OFFSET(DriveLayoutHeader, Mbr.Signature, DRIVE_LAYOUT_INFORMATION_EX, Mbr.Signature);
VEKTREL_SAME_OFFSET(DriveLayoutHeader, Gpt.DiskId, DRIVE_LAYOUT_INFORMATION_EX, Gpt.DiskId);
VEKTREL_SAME_OFFSET(DriveLayoutHeader, Gpt.StartingUsableOffset, DRIVE_LAYOUT_INFORMATION_EX,
                    Gpt.StartingUsableOffset);
VEKTREL_SAME_OFFSET(DriveLayoutHeader, Gpt.UsableLength, DRIVE_LAYOUT_INFORMATION_EX, Gpt.UsableLength);
VEKTREL_SAME_OFFSET(DriveLayoutHeader, Gpt.MaxPartitionCount, DRIVE_LAYOUT_INFORMATION_EX, Gpt.MaxPartitionCount);
static_assert(win::kLayoutHeaderBytes == offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry));
static_assert(sizeof(win::DriveLayoutHeader) == win::kLayoutHeaderBytes);
static_assert(win::kLayoutEntryBytes == sizeof(PARTITION_INFORMATION_EX));

static_assert(sizeof(win::CreateDisk) == sizeof(CREATE_DISK));
VEKTREL_SAME_OFFSET(CreateDisk, Mbr.Signature, CREATE_DISK, Mbr.Signature);
VEKTREL_SAME_OFFSET(CreateDisk, Gpt.DiskId, CREATE_DISK, Gpt.DiskId);
VEKTREL_SAME_OFFSET(CreateDisk, Gpt.MaxPartitionCount, CREATE_DISK, Gpt.MaxPartitionCount);

static_assert(sizeof(win::DiskGrowPartition) == sizeof(DISK_GROW_PARTITION));
VEKTREL_SAME_OFFSET(DiskGrowPartition, BytesToGrow, DISK_GROW_PARTITION, BytesToGrow);

static_assert(sizeof(win::StorageDeviceNumber) == sizeof(STORAGE_DEVICE_NUMBER));
VEKTREL_SAME_OFFSET(StorageDeviceNumber, DeviceNumber, STORAGE_DEVICE_NUMBER, DeviceNumber);
VEKTREL_SAME_OFFSET(StorageDeviceNumber, PartitionNumber, STORAGE_DEVICE_NUMBER, PartitionNumber);

static_assert(sizeof(win::DiskExtent) == sizeof(DISK_EXTENT));
VEKTREL_SAME_OFFSET(DiskExtent, StartingOffset, DISK_EXTENT, StartingOffset);
VEKTREL_SAME_OFFSET(DiskExtent, ExtentLength, DISK_EXTENT, ExtentLength);
static_assert(sizeof(win::VolumeDiskExtentsHeader) == offsetof(VOLUME_DISK_EXTENTS, Extents));

static_assert(sizeof(win::StoragePropertyQuery) == sizeof(STORAGE_PROPERTY_QUERY));
VEKTREL_SAME_OFFSET(StoragePropertyQuery, QueryType, STORAGE_PROPERTY_QUERY, QueryType);
VEKTREL_SAME_OFFSET(StoragePropertyQuery, AdditionalParameters, STORAGE_PROPERTY_QUERY, AdditionalParameters);

static_assert(sizeof(win::StorageDeviceDescriptor) == sizeof(STORAGE_DEVICE_DESCRIPTOR));
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, RemovableMedia, STORAGE_DEVICE_DESCRIPTOR, RemovableMedia);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, VendorIdOffset, STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, ProductIdOffset, STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, ProductRevisionOffset, STORAGE_DEVICE_DESCRIPTOR,
                    ProductRevisionOffset);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, SerialNumberOffset, STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, BusType, STORAGE_DEVICE_DESCRIPTOR, BusType);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, RawPropertiesLength, STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength);
VEKTREL_SAME_OFFSET(StorageDeviceDescriptor, RawDeviceProperties, STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties);

static_assert(sizeof(win::GetVersionInParams) == sizeof(GETVERSIONINPARAMS));
VEKTREL_SAME_OFFSET(GetVersionInParams, bIDEDeviceMap, GETVERSIONINPARAMS, bIDEDeviceMap);
VEKTREL_SAME_OFFSET(GetVersionInParams, fCapabilities, GETVERSIONINPARAMS, fCapabilities);
static_assert(sizeof(win::IdeRegs) == sizeof(IDEREGS));
VEKTREL_SAME_OFFSET(IdeRegs, bCylLowReg, IDEREGS, bCylLowReg);
VEKTREL_SAME_OFFSET(IdeRegs, bDriveHeadReg, IDEREGS, bDriveHeadReg);
VEKTREL_SAME_OFFSET(IdeRegs, bCommandReg, IDEREGS, bCommandReg);
static_assert(sizeof(win::SendCmdInParams) == sizeof(SENDCMDINPARAMS));
VEKTREL_SAME_OFFSET(SendCmdInParams, irDriveRegs, SENDCMDINPARAMS, irDriveRegs);
VEKTREL_SAME_OFFSET(SendCmdInParams, bDriveNumber, SENDCMDINPARAMS, bDriveNumber);
VEKTREL_SAME_OFFSET(SendCmdInParams, bBuffer, SENDCMDINPARAMS, bBuffer);
static_assert(win::kSendCmdInHeaderBytes == offsetof(SENDCMDINPARAMS, bBuffer));
static_assert(sizeof(win::DriverStatus) == sizeof(DRIVERSTATUS));
VEKTREL_SAME_OFFSET(DriverStatus, bIDEError, DRIVERSTATUS, bIDEError);
static_assert(sizeof(win::SendCmdOutParams) == sizeof(SENDCMDOUTPARAMS));
VEKTREL_SAME_OFFSET(SendCmdOutParams, Status, SENDCMDOUTPARAMS, DriverStatus);
VEKTREL_SAME_OFFSET(SendCmdOutParams, bBuffer, SENDCMDOUTPARAMS, bBuffer);
static_assert(win::kSendCmdOutHeaderBytes == offsetof(SENDCMDOUTPARAMS, bBuffer));

static_assert(win::kPropertyQueryHeaderBytes == offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters));
static_assert(sizeof(win::StorageProtocolSpecificData) == sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA));
VEKTREL_SAME_OFFSET(StorageProtocolSpecificData, DataType, STORAGE_PROTOCOL_SPECIFIC_DATA, DataType);
VEKTREL_SAME_OFFSET(StorageProtocolSpecificData, ProtocolDataRequestValue, STORAGE_PROTOCOL_SPECIFIC_DATA,
                    ProtocolDataRequestValue);
VEKTREL_SAME_OFFSET(StorageProtocolSpecificData, ProtocolDataOffset, STORAGE_PROTOCOL_SPECIFIC_DATA,
                    ProtocolDataOffset);
VEKTREL_SAME_OFFSET(StorageProtocolSpecificData, ProtocolDataLength, STORAGE_PROTOCOL_SPECIFIC_DATA,
                    ProtocolDataLength);
VEKTREL_SAME_OFFSET(StorageProtocolSpecificData, ProtocolDataRequestSubValue4, STORAGE_PROTOCOL_SPECIFIC_DATA,
                    ProtocolDataRequestSubValue4);
static_assert(sizeof(win::StorageProtocolDataDescriptor) == sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR));
VEKTREL_SAME_OFFSET(StorageProtocolDataDescriptor, ProtocolSpecificData, STORAGE_PROTOCOL_DATA_DESCRIPTOR,
                    ProtocolSpecificData);

static_assert(sizeof(win::NvmeHealthInfoLog) == sizeof(NVME_HEALTH_INFO_LOG));
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, Temperature, NVME_HEALTH_INFO_LOG, Temperature);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, AvailableSpare, NVME_HEALTH_INFO_LOG, AvailableSpare);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, AvailableSpareThreshold, NVME_HEALTH_INFO_LOG, AvailableSpareThreshold);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, PercentageUsed, NVME_HEALTH_INFO_LOG, PercentageUsed);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, DataUnitRead, NVME_HEALTH_INFO_LOG, DataUnitRead);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, DataUnitWritten, NVME_HEALTH_INFO_LOG, DataUnitWritten);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, PowerCycle, NVME_HEALTH_INFO_LOG, PowerCycle);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, PowerOnHours, NVME_HEALTH_INFO_LOG, PowerOnHours);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, UnsafeShutdowns, NVME_HEALTH_INFO_LOG, UnsafeShutdowns);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, MediaErrors, NVME_HEALTH_INFO_LOG, MediaErrors);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, WarningCompositeTemperatureTime, NVME_HEALTH_INFO_LOG,
                    WarningCompositeTemperatureTime);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, TemperatureSensor, NVME_HEALTH_INFO_LOG, TemperatureSensor1);
VEKTREL_SAME_OFFSET(NvmeHealthInfoLog, Reserved1, NVME_HEALTH_INFO_LOG, Reserved1);

// Not in the user-mode headers, so not checked here: IOCTL_SCSI_MINIPORT_IDENTIFY
// (the driver kit's scsi.h), READ_ATTRIBUTE_BUFFER_SIZE (the kit's ntdddisk.h)
// and MEDIA_SERIAL_NUMBER_DATA (kMediaSerialDataOffset).

// Handles and keys cross the interface as integers of pointer size, and
// INVALID_HANDLE_VALUE is the interface's kInvalidHandle.
static_assert(sizeof(platform::Handle) == sizeof(HANDLE) && sizeof(platform::Handle) == sizeof(HKEY));
#define HANDLE ULONG_PTR
static_assert(platform::kInvalidHandle == INVALID_HANDLE_VALUE);
#undef HANDLE
