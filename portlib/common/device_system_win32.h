// The Win32 calls the device-file primitive makes, behind one interface: the
// base class makes the real calls, and a test overrides what it scripts (a
// write that completes with part of its bytes, a read that pends and ends
// empty at its time-out, an error code), which no port under Wine produces.
// Failures report through SetLastError, as the system's calls do.
#pragma once

#include <windows.h>

namespace portlink {

class DeviceSystem {
 public:
  virtual ~DeviceSystem() = default;

  // Read and write access, no sharing, an existing device; `flags` as CreateFileA takes them.
  virtual HANDLE CreateFileA(const char* path, DWORD flags);
  virtual DWORD GetFileType(HANDLE handle);
  virtual BOOL CloseHandle(HANDLE handle);
  virtual BOOL WriteFile(HANDLE handle, const void* data, DWORD length, DWORD* done, OVERLAPPED* overlapped);
  virtual BOOL ReadFile(HANDLE handle, void* buffer, DWORD capacity, DWORD* done, OVERLAPPED* overlapped);
  virtual BOOL GetOverlappedResult(HANDLE handle, OVERLAPPED* overlapped, DWORD* done, BOOL wait);
  virtual BOOL CancelIo(HANDLE handle);
  virtual BOOL ClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status);
  virtual BOOL PurgeComm(HANDLE handle, DWORD flags);
  virtual BOOL SetupComm(HANDLE handle, DWORD inputBytes, DWORD outputBytes);
  virtual BOOL SetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts);
  virtual BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts);
};

}  // namespace portlink
