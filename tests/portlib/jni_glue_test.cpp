// The JNI glue over a port with a scripted printer: what crosses from the Java
// arrays and strings, and that nothing is read past a Java array.
#include <gtest/gtest.h>

#include "fake_jni_env.h"
#include "fakes.h"
#include "jni_glue.h"
#include "tcp_policy.h"

namespace portlink {
namespace {

using testing::FakeByteArray;
using testing::FakeJavaString;
using testing::FakeJniEnv;

struct GlueRig {
  GlueRig() : port(kTcpPolicy, transport, clock) {}
  testing::ScriptedTransport transport;
  testing::FakeClock clock;
  Port port;
  FakeJniEnv fake;
};

TEST(JniGlue, OpenPortPassesBothTextsAndReleasesThem) {
  GlueRig rig;
  FakeJavaString name{"SOCKET:10.0.0.5"}, settings{"9100"};
  jni::OpenPort(rig.fake.Env(), rig.port, FakeJniEnv::String(name), FakeJniEnv::String(settings));
  ASSERT_EQ(rig.transport.openedWith.size(), 1u);
  EXPECT_EQ(rig.transport.openedWith[0], "SOCKET:10.0.0.5|9100");
  EXPECT_EQ(rig.fake.stringsHeld, 0);
  // A null string reads as empty rather than crashing the VM.
  jni::OpenPort(rig.fake.Env(), rig.port, nullptr, nullptr);
  EXPECT_EQ(rig.transport.openedWith[1], "|");
}

TEST(JniGlue, WriteDataNeverReadsPastTheArray) {
  GlueRig rig;
  rig.port.OpenPort("", "");
  FakeByteArray data{{1, 2, 3, 4}};
  EXPECT_EQ(jni::WriteData(rig.fake.Env(), rig.port, FakeJniEnv::Array(data), 1000), 1);
  EXPECT_EQ(jni::WriteData(rig.fake.Env(), rig.port, FakeJniEnv::Array(data), 2), 1);
  EXPECT_EQ(jni::WriteData(rig.fake.Env(), rig.port, FakeJniEnv::Array(data), -7), 1);
  EXPECT_EQ(jni::WriteData(rig.fake.Env(), rig.port, nullptr, 3), 0);
  const auto written = rig.transport.Written();
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[0], (testing::Bytes{1, 2, 3, 4}));
  EXPECT_EQ(written[1], (testing::Bytes{1, 2}));
  EXPECT_TRUE(written[2].empty());
  EXPECT_EQ(rig.fake.arraysHeld, 0);
  EXPECT_EQ(rig.fake.releaseModes, 3 * JNI_ABORT);  // nothing copied back
}

TEST(JniGlue, ReadDataCopiesWhatArrived) {
  GlueRig rig;
  rig.port.OpenPort("", "");
  rig.transport.Reply({9, 8, 7});
  FakeByteArray buffer{std::vector<jbyte>(256, 0)};
  EXPECT_EQ(jni::ReadData(rig.fake.Env(), rig.port, FakeJniEnv::Array(buffer)), 3);
  EXPECT_EQ(buffer.bytes[0], 9);
  EXPECT_EQ(buffer.bytes[2], 7);
  EXPECT_EQ(buffer.bytes[3], 0);
  rig.transport.Reply({1});
  EXPECT_EQ(jni::ReadData(rig.fake.Env(), rig.port, nullptr), 0);
  EXPECT_EQ(jni::ReadData(rig.fake.Env(), rig.port, FakeJniEnv::Array(buffer)), 1);  // still there

  // A short Java array takes what fits; nothing is read that it can't hold.
  rig.transport.Reply({4, 5, 6});
  FakeByteArray two{std::vector<jbyte>(2, 0)};
  EXPECT_EQ(jni::ReadData(rig.fake.Env(), rig.port, FakeJniEnv::Array(two)), 2);
  EXPECT_EQ(two.bytes, (std::vector<jbyte>{4, 5}));
  EXPECT_FALSE(rig.fake.boundsError);
}

TEST(JniGlue, ClaimAndDrawer) {
  GlueRig rig;
  EXPECT_EQ(jni::Claim(rig.port, 100, JNI_FALSE), 1);
  rig.port.OpenPort("", "");
  EXPECT_EQ(jni::OpenDrawer(rig.port, 5, 400, 200), 0);
  EXPECT_EQ(rig.transport.Written().back(), (testing::Bytes{0x1B, 0x70, 0x31, 0xC8, 0x64}));
}

}  // namespace
}  // namespace portlink
