// Loads each built port library as the JVM would, finds its eleven entry
// points by their JNI names and calls them with a fake JNIEnv: with no device
// behind the port, each gives the results of a closed port.
#include <gtest/gtest.h>

#include <chrono>

#include "fake_jni_env.h"
#include "library_loader.h"

namespace portlink {
namespace {

using testing::FakeByteArray;
using testing::FakeJavaString;
using testing::FakeJniEnv;

struct Library {
  const char* name;
  const char* javaClass;
  bool usb;
};

void PrintTo(const Library& library, std::ostream* os) { *os << library.name; }

class PortLibrary : public ::testing::TestWithParam<Library> {
 protected:
  void SetUp() override {
    std::string error;
    const std::string path = std::string(PORTLINK_LIBRARY_DIR) + "/" + testing::LibraryFileName(GetParam().name);
    handle_ = testing::LoadSharedLibrary(path, error);
    ASSERT_NE(handle_, nullptr) << path << ": " << error;
  }
  template <typename Function>
  Function Entry(const std::string& method) {
    const std::string symbol =
        std::string("Java_com_vantrel_jpos_JNativePort_") + GetParam().javaClass + "__1" + method;
    void* address = testing::FindExport(handle_, symbol);
    EXPECT_NE(address, nullptr) << symbol;
    return reinterpret_cast<Function>(address);
  }
  void* handle_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(All, PortLibrary,
                         ::testing::Values(Library{"PortLinkUsb", "JNativeCommonPort4WindowsUSB", true},
                                           Library{"PortLinkTcp", "JNativeCommonPort4WindowsEthernet", false},
                                           Library{"PortLinkLpt", "JNativeCommonPort4WindowsParallel", false}),
                         [](const ::testing::TestParamInfo<Library>& param) { return std::string(param.param.name); });

TEST_P(PortLibrary, ElevenEntryPointsAnswerAsAClosedPort) {
  using OpenPort = void(JNICALL*)(JNIEnv*, jobject, jstring, jstring);
  using NoArgs = void(JNICALL*)(JNIEnv*, jobject);
  using ReadData = jint(JNICALL*)(JNIEnv*, jobject, jbyteArray);
  using WriteData = jint(JNICALL*)(JNIEnv*, jobject, jbyteArray, jint);
  using WriteDataUsb = jint(JNICALL*)(JNIEnv*, jobject, jbyteArray, jint, jint);
  using Claim = jlong(JNICALL*)(JNIEnv*, jobject, jint, jboolean);
  using IntResult = jint(JNICALL*)(JNIEnv*, jobject);
  using OpenDrawer = jint(JNICALL*)(JNIEnv*, jobject, jlong, jlong, jlong);
  using Wait = jboolean(JNICALL*)(JNIEnv*, jobject);

  auto openPort = Entry<OpenPort>("openPort");
  auto closePort = Entry<NoArgs>("closePort");
  auto readData = Entry<ReadData>("readData");
  auto claim = Entry<Claim>("claim");
  auto release = Entry<NoArgs>("release");
  auto getPrinterStatus = Entry<IntResult>("getPrinterStatus");
  auto getCashDrawerStatus = Entry<IntResult>("getCashDrawerStatus");
  auto openDrawer = Entry<OpenDrawer>("OpenDrawer");
  auto waitForDrawer = Entry<IntResult>("WaitForUntilDrawerClose");
  auto waitForPrinting = Entry<Wait>("WaitForCompletePrinting");
  void* writeData = Entry<void*>("writeData");
  ASSERT_FALSE(::testing::Test::HasFailure());

  FakeJniEnv fake;
  JNIEnv* env = fake.Env();
  EXPECT_EQ(getPrinterStatus(env, nullptr), 0);
  EXPECT_EQ(getCashDrawerStatus(env, nullptr), 0);

  FakeJavaString name{"SOCKET:127.0.0.1"}, settings{"9100"};
  openPort(env, nullptr, FakeJniEnv::String(name), FakeJniEnv::String(settings));
  EXPECT_EQ(fake.stringsHeld, 0);
  EXPECT_EQ(claim(env, nullptr, 1000, JNI_TRUE), 1);
  EXPECT_EQ(claim(env, nullptr, 1000, JNI_FALSE), 1);

  FakeByteArray data{{0x1B, 0x40, 'h', 'i'}};
  const jint written = GetParam().usb
                           ? reinterpret_cast<WriteDataUsb>(writeData)(env, nullptr, FakeJniEnv::Array(data), 99, 7)
                           : reinterpret_cast<WriteData>(writeData)(env, nullptr, FakeJniEnv::Array(data), 99);
  EXPECT_EQ(written, 0);
  EXPECT_EQ(fake.arraysHeld, 0);

  FakeByteArray buffer{std::vector<jbyte>(256, 7)};
  EXPECT_EQ(readData(env, nullptr, FakeJniEnv::Array(buffer)), 0);
  EXPECT_EQ(buffer.bytes[0], 7);

  EXPECT_EQ(openDrawer(env, nullptr, 2, 200, 100), 2);  // not sent
  EXPECT_EQ(openDrawer(env, nullptr, 3, 100, 100), 1);  // pin not supported
  EXPECT_EQ(waitForDrawer(env, nullptr), 0);
  release(env, nullptr);
  closePort(env, nullptr);

  // USB's close step always runs and leaves the stop set: the wait ends at
  // once. The others were never opened: the repeated request fails after 10 s.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(waitForPrinting(env, nullptr), JNI_FALSE);
  const auto waited = std::chrono::steady_clock::now() - started;
  if (GetParam().usb) {
    EXPECT_LT(waited, std::chrono::seconds(2));
  }
  EXPECT_EQ(getPrinterStatus(env, nullptr), 0);
  EXPECT_FALSE(fake.boundsError);
}

}  // namespace
}  // namespace portlink
