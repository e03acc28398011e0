#include <windows.h>

#include <algorithm>
#include <string>

#include "file_io.h"
#include "win32_text.h"

namespace quarvel {

namespace {

using win32::Widen;

FileResult Failure(const std::string& what) {
  const DWORD code = GetLastError();
  char message[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 message, sizeof message - 1, nullptr);
  std::string text(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return {false, what + ": " + (text.empty() ? "error " + std::to_string(code) : text)};
}

// Writes all the bytes from the file's current position, in pieces of 1 MiB.
bool WriteAll(HANDLE file, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD n = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
  }
  return true;
}

// Writes the bytes over the file itself without losing it on a failure: they
// go after the old ones first (a full disk stops them there and the file is
// cut back), and only then to the front, the file cut to them.
FileResult WriteInPlace(const std::wstring& target, const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot write " + path);
  LARGE_INTEGER old{};
  const auto writeAt = [&](LONGLONG offset) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && WriteAll(file, bytes) && FlushFileBuffers(file);
  };
  const auto cutAt = [&](LONGLONG size) {
    LARGE_INTEGER at{};
    at.QuadPart = size;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file) && FlushFileBuffers(file);
  };
  if (!GetFileSizeEx(file, &old) || !writeAt(old.QuadPart)) {
    const DWORD error = GetLastError();
    cutAt(old.QuadPart);
    CloseHandle(file);
    SetLastError(error);
    return Failure("cannot write " + path + " (left as it was)");
  }
  const bool ok = writeAt(0) && cutAt(static_cast<LONGLONG>(bytes.size()));
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return ok ? FileResult{true, {}} : Failure("cannot write " + path);
}

// The full path: ReplaceFileW takes no path relative to the current folder.
std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return path;
  full.resize(n);
  return full;
}

}  // namespace

FileResult ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  const std::wstring target = FullPath(Widen(path));
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      SetLastError(ERROR_DIRECTORY);
      return Failure("not a regular file");
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      SetLastError(ERROR_ACCESS_DENIED);
      return Failure("cannot write");
    }
  }

  // A short name beside the file, so that any name valid for the file works.
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  const std::wstring temp = folder + L"\\.qv" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // A folder that takes no new file: an existing file we may write is written in place.
    if (GetLastError() == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
      return WriteInPlace(target, path, bytes);
    }
    return Failure("cannot create a file beside " + path);
  }

  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  DWORD savedError = GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = false;
    savedError = GetLastError();
  }
  // An existing file is replaced keeping its attributes and security; a new one is moved into place.
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (ok && (exists ? ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                   nullptr)
                    : MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
    return {true, {}};
  }
  if (ok) savedError = GetLastError();
  DeleteFileW(temp.c_str());
  // A file another program holds open with read and write sharing can't be
  // replaced, but it can be written in place.
  if (ok && exists && (savedError == ERROR_SHARING_VIOLATION || savedError == ERROR_ACCESS_DENIED ||
                       savedError == ERROR_UNABLE_TO_REMOVE_REPLACED || savedError == ERROR_UNABLE_TO_MOVE_REPLACEMENT)) {
    const FileResult inPlace = WriteInPlace(target, path, bytes);
    return inPlace.ok ? inPlace : FileResult{false, inPlace.detail + " (another program holds it open)"};
  }
  SetLastError(savedError);
  return Failure("cannot write " + path);
}

namespace {
// The locked byte lies far beyond any configuration file, so that the lock
// (which Windows enforces on the range) never stands in a read's or write's way.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
// A save replaces the file in steps, so its name can be missing for a moment;
// a file still missing after this is taken as none.
constexpr int kReplacingMs = 200;

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
}  // namespace

void FileLock::Release() {
  if (handle_ == kNone) return;
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  UnlockFileEx(file, 0, 1, 0, &at);
  CloseHandle(file);
  handle_ = kNone;
}

FileLock FileLock::Acquire(const std::string& path, Kind kind, FileResult& result) {
  const std::wstring target = Widen(path);
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (kind == Kind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  result = {true, {}};
  for (int waitedMs = 0, missingMs = 0;;) {
    const HANDLE file = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (!Missing(GetLastError()) || missingMs >= kReplacingMs) return {};  // no file: nothing to lock
      Sleep(20);
      missingMs += 20;
      continue;
    }
    FileLock lock;
    lock.handle_ = reinterpret_cast<intptr_t>(file);
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    while (!LockFileEx(file, flags, 0, 1, 0, &at)) {
      if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
        CloseHandle(file);
        lock.handle_ = kNone;
        return {};  // a file system without locks
      }
      if (waitedMs >= kWaitMs) {
        result = {false, path + ": another program is saving it (waited " + std::to_string(kWaitMs / 1000) + " s)"};
        return {};
      }
      Sleep(20);
      waitedMs += 20;
    }
    // A save that replaced the file while we waited: the lock must be on the new one.
    BY_HANDLE_FILE_INFORMATION locked{}, now{};
    const HANDLE again = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool replaced =
        again == INVALID_HANDLE_VALUE
            ? Missing(GetLastError())  // being replaced right now
            : GetFileInformationByHandle(file, &locked) && GetFileInformationByHandle(again, &now) &&
                  (locked.nFileIndexHigh != now.nFileIndexHigh || locked.nFileIndexLow != now.nFileIndexLow);
    if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
    if (!replaced) return lock;
  }
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
  // Shared with every kind of access, so a file another program holds open can still be read.
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot open " + path);
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return {false, path + ": not a regular file"};
  }
  bytes.clear();
  char buffer[8192];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
      const FileResult failed = Failure("cannot read " + path);
      CloseHandle(file);
      return failed;
    }
    if (n == 0) break;
    if (bytes.size() + n > maxBytes) {
      CloseHandle(file);
      bytes.clear();
      return {false, path + ": larger than " + std::to_string(maxBytes >> 20) + " MiB, not a configuration file"};
    }
    bytes.append(buffer, n);
  }
  CloseHandle(file);
  return {true, {}};
}

}  // namespace quarvel
