// <windows.h> for the Windows-only folders. Include it after the project's
// own headers: it #defines A/W names (CreateFile, MessageBox, ExitWindows...)
// that would otherwise rename the methods of platform::System and
// ui::Window, so those macros are taken back here and the Windows functions
// are always called by their W names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>
#include <shellapi.h>

#undef CreateDirectory
#undef CreateFile
#undef CreateMutex
#undef CreateProcess
#undef DeleteFile
#undef DeleteVolumeMountPoint
#undef ExitWindows
#undef GetDiskFreeSpace
#undef GetDriveType
#undef GetFileAttributes
#undef GetFileSecurity
#undef GetLogicalDriveStrings
#undef GetModuleFileName
#undef GetShortPathName
#undef GetSystemDirectory
#undef GetVolumeInformation
#undef GetVolumeLabel
#undef GetWindowsDirectory
#undef LoadLibrary
#undef MessageBox
#undef RegCreateKey
#undef RegQueryValue
#undef RegSetValue
#undef RemoveDirectory
#undef SetFileAttributes
#undef SetFileSecurity
#undef SetFileShortName
#undef SetVolumeLabel
#undef SetVolumeMountPoint
#undef ShellExecute
#undef ShellExecuteEx
#undef WaitNamedPipe
