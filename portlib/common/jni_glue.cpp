#include "jni_glue.h"

#include <algorithm>
#include <array>

#include "printer_protocol.h"

namespace portlink::jni {

namespace {

// Modified UTF-8 characters of a Java string for the length of one call. A
// null string reads as empty; a string the VM could not copy leaves its
// OutOfMemoryError pending, and then no further JNI call may be made.
class JavaText {
 public:
  JavaText(JNIEnv* env, jstring text)
      : env_(env), text_(text), chars_(text != nullptr ? env->GetStringUTFChars(text, nullptr) : nullptr) {}
  ~JavaText() {
    if (chars_ != nullptr) env_->ReleaseStringUTFChars(text_, chars_);
  }
  JavaText(const JavaText&) = delete;
  JavaText& operator=(const JavaText&) = delete;
  bool Failed() const { return text_ != nullptr && chars_ == nullptr; }
  std::string_view View() const { return chars_ != nullptr ? std::string_view(chars_) : std::string_view(); }

 private:
  JNIEnv* env_;
  jstring text_;
  const char* chars_;
};

// Runs one entry point's work; whatever it throws (a thread that could not be
// started, memory that could not be had) ends as `failed`, never in the VM.
template <typename Result, typename Work>
Result Guarded(Result failed, Work&& work) {
  try {
    return work();
  } catch (...) {
    return failed;
  }
}

}  // namespace

void OpenPort(JNIEnv* env, Port& port, jstring portName, jstring portSettings) {
  Guarded(0, [&] {
    const JavaText name(env, portName);
    if (name.Failed()) return 0;
    const JavaText settings(env, portSettings);
    if (settings.Failed()) return 0;
    port.OpenPort(name.View(), settings.View());
    return 0;
  });
}

void ClosePort(Port& port) {
  Guarded(0, [&] {
    port.ClosePort();
    return 0;
  });
}

jint ReadData(JNIEnv* env, Port& port, jbyteArray buffer) {
  if (buffer == nullptr) return 0;  // nowhere to put the bytes: leave them unread
  // No more than the Java array holds, so that nothing read is lost.
  const int capacity = std::min<int>(env->GetArrayLength(buffer), kReadBufferSize);
  if (capacity <= 0) return 0;
  return Guarded<jint>(0, [&] {
    std::array<uint8_t, kReadBufferSize> bytes{};
    const int n = port.ReadData(bytes.data(), capacity);
    if (n > 0) env->SetByteArrayRegion(buffer, 0, n, reinterpret_cast<const jbyte*>(bytes.data()));
    return static_cast<jint>(n);
  });
}

jint WriteData(JNIEnv* env, Port& port, jbyteArray data, jint length) {
  if (data == nullptr) return 0;
  // Never read past the Java array, whatever length the caller claims.
  const jint available = env->GetArrayLength(data);
  const jint count = std::clamp<jint>(length, 0, available);
  jbyte* elements = env->GetByteArrayElements(data, nullptr);
  if (elements == nullptr) return 0;  // its OutOfMemoryError is pending
  const jint result = Guarded<jint>(0, [&] {
    return static_cast<jint>(port.WriteData(reinterpret_cast<const uint8_t*>(elements), static_cast<int>(count)));
  });
  env->ReleaseByteArrayElements(data, elements, JNI_ABORT);  // nothing to copy back
  return result;
}

jlong Claim(Port& port, jint timeout, jboolean monitor) {
  return Guarded<jlong>(1, [&] { return static_cast<jlong>(port.Claim(static_cast<int32_t>(timeout), monitor == JNI_TRUE)); });
}

jint OpenDrawer(Port& port, jlong pin, jlong onTime, jlong offTime) {
  return Guarded<jint>(kDrawerKickRefused, [&] { return static_cast<jint>(port.OpenDrawer(pin, onTime, offTime)); });
}

jboolean WaitForCompletePrinting(Port& port) {
  return Guarded<jboolean>(JNI_FALSE, [&]() -> jboolean { return port.WaitForCompletePrinting() ? JNI_TRUE : JNI_FALSE; });
}

}  // namespace portlink::jni
