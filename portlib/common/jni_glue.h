// The eleven JNI entry points of a port library, kept thin: each converts its
// Java arguments, calls the library's one Port object and converts the result.
// A library defines its exported symbols with PORTLINK_DEFINE_ENTRY_POINTS.
#pragma once

#include <jni.h>

#include <type_traits>

#include "port.h"

namespace portlink {

// A library's one port object: its clock, its transport and the port over
// them. Each library creates one when it is loaded and never destroys it:
// the JVM may exit while a monitor thread still runs.
template <typename TransportType>
struct PortObject {
  explicit PortObject(const PortPolicy& policy) : transport(MakeTransport()), port(policy, transport, clock) {}
  SystemClock clock;
  TransportType transport;
  Port port;

 private:
  TransportType MakeTransport() {
    if constexpr (std::is_constructible_v<TransportType, Clock&>) {
      return TransportType(clock);  // a transport that pauses takes the clock
    } else {
      return TransportType();
    }
  }
};

}  // namespace portlink

namespace portlink::jni {

void OpenPort(JNIEnv* env, Port& port, jstring portName, jstring portSettings);
void ClosePort(Port& port);
jint ReadData(JNIEnv* env, Port& port, jbyteArray buffer);
jint WriteData(JNIEnv* env, Port& port, jbyteArray data, jint length);
jlong Claim(Port& port, jint timeout, jboolean monitor);
jint OpenDrawer(Port& port, jlong pin, jlong onTime, jlong offTime);
jboolean WaitForCompletePrinting(Port& port);

}  // namespace portlink::jni

#define PORTLINK_JNI_NAME(javaClass, method) Java_com_vantrel_jpos_JNativePort_##javaClass##__1##method

// The entry points that all three libraries declare alike. `port` is an
// expression giving the library's Port.
#define PORTLINK_DEFINE_COMMON_ENTRY_POINTS(javaClass, port)                                                 \
  extern "C" {                                                                                               \
  JNIEXPORT void JNICALL PORTLINK_JNI_NAME(javaClass, openPort)(JNIEnv * env, jobject, jstring name,          \
                                                                 jstring settings) {                         \
    portlink::jni::OpenPort(env, port, name, settings);                                                      \
  }                                                                                                          \
  JNIEXPORT void JNICALL PORTLINK_JNI_NAME(javaClass, closePort)(JNIEnv*, jobject) {                          \
    portlink::jni::ClosePort(port);                                                                          \
  }                                                                                                          \
  JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, readData)(JNIEnv * env, jobject, jbyteArray buffer) {   \
    return portlink::jni::ReadData(env, port, buffer);                                                       \
  }                                                                                                          \
  JNIEXPORT jlong JNICALL PORTLINK_JNI_NAME(javaClass, claim)(JNIEnv*, jobject, jint timeout,                \
                                                               jboolean monitor) {                           \
    return portlink::jni::Claim(port, timeout, monitor);                                                     \
  }                                                                                                          \
  JNIEXPORT void JNICALL PORTLINK_JNI_NAME(javaClass, release)(JNIEnv*, jobject) {}                           \
  JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, getPrinterStatus)(JNIEnv*, jobject) {                   \
    return (port).PrinterStatus();                                                                           \
  }                                                                                                          \
  JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, getCashDrawerStatus)(JNIEnv*, jobject) {                \
    return (port).DrawerStatus();                                                                            \
  }                                                                                                          \
  JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, OpenDrawer)(JNIEnv*, jobject, jlong pin, jlong onTime,  \
                                                                   jlong offTime) {                          \
    return portlink::jni::OpenDrawer(port, pin, onTime, offTime);                                            \
  }                                                                                                          \
  JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, WaitForUntilDrawerClose)(JNIEnv*, jobject) { return 0; } \
  JNIEXPORT jboolean JNICALL PORTLINK_JNI_NAME(javaClass, WaitForCompletePrinting)(JNIEnv*, jobject) {        \
    return portlink::jni::WaitForCompletePrinting(port);                                                     \
  }                                                                                                          \
  }

// _writeData(byte[] data, int length)
#define PORTLINK_DEFINE_WRITE_DATA(javaClass, port)                                                          \
  extern "C" JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, writeData)(JNIEnv * env, jobject,           \
                                                                            jbyteArray data, jint length) {  \
    return portlink::jni::WriteData(env, port, data, length);                                                \
  }

// _writeData(byte[] data, int length, int unused), for the classes that declare one more int
#define PORTLINK_DEFINE_WRITE_DATA_WITH_UNUSED_INT(javaClass, port)                                          \
  extern "C" JNIEXPORT jint JNICALL PORTLINK_JNI_NAME(javaClass, writeData)(JNIEnv * env, jobject,           \
                                                                            jbyteArray data, jint length,    \
                                                                            jint) {                          \
    return portlink::jni::WriteData(env, port, data, length);                                                \
  }
