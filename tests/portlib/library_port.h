// One built port library loaded as the JVM loads it, its eleven entry points
// found by their JNI names and called through a fake JNIEnv.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "fake_jni_env.h"
#include "library_loader.h"

namespace portlink::testing {

struct LibraryInfo {
  const char* name;       // PortLinkTcp
  const char* javaClass;  // JNativeCommonPort4WindowsEthernet
  bool usb;               // _writeData takes one more int
};

inline void PrintTo(const LibraryInfo& info, std::ostream* os) { *os << info.name; }

inline const LibraryInfo kUsbLibrary{"PortLinkUsb", "JNativeCommonPort4WindowsUSB", true};
inline const LibraryInfo kTcpLibrary{"PortLinkTcp", "JNativeCommonPort4WindowsEthernet", false};
inline const LibraryInfo kLptLibrary{"PortLinkLpt", "JNativeCommonPort4WindowsParallel", false};

class LibraryPort {
 public:
  explicit LibraryPort(const LibraryInfo& info) : info_(info) {
    const std::string path = std::string(PORTLINK_LIBRARY_DIR) + "/" + LibraryFileName(info.name);
    handle_ = LoadSharedLibrary(path, error_);
    if (handle_ == nullptr) {
      error_ = path + ": " + error_;
      return;
    }
    openPort_ = Entry<OpenPortFn>("openPort");
    closePort_ = Entry<NoArgsFn>("closePort");
    readData_ = Entry<ReadDataFn>("readData");
    writeData_ = Entry<void*>("writeData");
    claim_ = Entry<ClaimFn>("claim");
    release_ = Entry<NoArgsFn>("release");
    getPrinterStatus_ = Entry<IntFn>("getPrinterStatus");
    getCashDrawerStatus_ = Entry<IntFn>("getCashDrawerStatus");
    openDrawer_ = Entry<OpenDrawerFn>("OpenDrawer");
    waitForUntilDrawerClose_ = Entry<IntFn>("WaitForUntilDrawerClose");
    waitForCompletePrinting_ = Entry<WaitFn>("WaitForCompletePrinting");
  }

  LibraryPort(const LibraryPort&) = delete;
  LibraryPort& operator=(const LibraryPort&) = delete;

  // Empty when the library loaded and exports all eleven entry points.
  const std::string& Error() const { return error_; }
  FakeJniEnv& Jni() { return jni_; }

  void OpenPort(const std::string& name, const std::string& settings) {
    FakeJavaString n{name}, s{settings};
    openPort_(jni_.Env(), nullptr, FakeJniEnv::String(n), FakeJniEnv::String(s));
  }
  void ClosePort() { closePort_(jni_.Env(), nullptr); }
  // Reads into a Java array of `capacity` bytes; returns the bytes delivered.
  std::vector<jbyte> ReadData(jint& count, size_t capacity = 256) {
    FakeByteArray buffer{std::vector<jbyte>(capacity, 0)};
    count = readData_(jni_.Env(), nullptr, FakeJniEnv::Array(buffer));
    return buffer.bytes;
  }
  jint WriteData(const std::string& bytes) { return WriteData(bytes, static_cast<jint>(bytes.size())); }
  jint WriteData(const std::string& bytes, jint length) {
    FakeByteArray data{std::vector<jbyte>(bytes.begin(), bytes.end())};
    if (info_.usb) return reinterpret_cast<WriteUsbFn>(writeData_)(jni_.Env(), nullptr, FakeJniEnv::Array(data), length, 0);
    return reinterpret_cast<WriteFn>(writeData_)(jni_.Env(), nullptr, FakeJniEnv::Array(data), length);
  }
  jlong Claim(jint timeout, bool monitor) { return claim_(jni_.Env(), nullptr, timeout, monitor ? JNI_TRUE : JNI_FALSE); }
  void Release() { release_(jni_.Env(), nullptr); }
  jint PrinterStatus() { return getPrinterStatus_(jni_.Env(), nullptr); }
  jint DrawerStatus() { return getCashDrawerStatus_(jni_.Env(), nullptr); }
  jint OpenDrawer(jlong pin, jlong on, jlong off) { return openDrawer_(jni_.Env(), nullptr, pin, on, off); }
  jint WaitForUntilDrawerClose() { return waitForUntilDrawerClose_(jni_.Env(), nullptr); }
  bool WaitForCompletePrinting() { return waitForCompletePrinting_(jni_.Env(), nullptr) == JNI_TRUE; }

 private:
  using OpenPortFn = void(JNICALL*)(JNIEnv*, jobject, jstring, jstring);
  using NoArgsFn = void(JNICALL*)(JNIEnv*, jobject);
  using ReadDataFn = jint(JNICALL*)(JNIEnv*, jobject, jbyteArray);
  using WriteFn = jint(JNICALL*)(JNIEnv*, jobject, jbyteArray, jint);
  using WriteUsbFn = jint(JNICALL*)(JNIEnv*, jobject, jbyteArray, jint, jint);
  using ClaimFn = jlong(JNICALL*)(JNIEnv*, jobject, jint, jboolean);
  using IntFn = jint(JNICALL*)(JNIEnv*, jobject);
  using OpenDrawerFn = jint(JNICALL*)(JNIEnv*, jobject, jlong, jlong, jlong);
  using WaitFn = jboolean(JNICALL*)(JNIEnv*, jobject);

  template <typename Function>
  Function Entry(const std::string& method) {
    const std::string symbol = std::string("Java_com_vantrel_jpos_JNativePort_") + info_.javaClass + "__1" + method;
    void* address = FindExport(handle_, symbol);
    if (address == nullptr) error_ += "missing export " + symbol + "; ";
    return reinterpret_cast<Function>(address);
  }

  LibraryInfo info_;
  std::string error_;
  void* handle_ = nullptr;
  FakeJniEnv jni_;
  OpenPortFn openPort_ = nullptr;
  NoArgsFn closePort_ = nullptr;
  ReadDataFn readData_ = nullptr;
  void* writeData_ = nullptr;
  ClaimFn claim_ = nullptr;
  NoArgsFn release_ = nullptr;
  IntFn getPrinterStatus_ = nullptr;
  IntFn getCashDrawerStatus_ = nullptr;
  OpenDrawerFn openDrawer_ = nullptr;
  IntFn waitForUntilDrawerClose_ = nullptr;
  WaitFn waitForCompletePrinting_ = nullptr;
};

}  // namespace portlink::testing
