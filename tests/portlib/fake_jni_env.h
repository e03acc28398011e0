// A JNIEnv that implements the few JNI functions the port libraries use, over
// plain C++ strings and byte vectors, and counts the Get/Release pairs.
#pragma once

#include <jni.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace portlink::testing {

struct FakeJavaString {
  std::string utf8;
};
struct FakeByteArray {
  std::vector<jbyte> bytes;
};

class FakeJniEnv {
 public:
  FakeJniEnv() {
    std::memset(&table_, 0, sizeof table_);
    table_.GetStringUTFChars = &GetStringUTFChars;
    table_.ReleaseStringUTFChars = &ReleaseStringUTFChars;
    table_.GetByteArrayElements = &GetByteArrayElements;
    table_.ReleaseByteArrayElements = &ReleaseByteArrayElements;
    table_.SetByteArrayRegion = &SetByteArrayRegion;
    table_.GetArrayLength = &GetArrayLength;
    env_.functions = &table_;
    current = this;
  }
  ~FakeJniEnv() { current = nullptr; }

  JNIEnv* Env() { return &env_; }
  static jstring String(FakeJavaString& s) { return reinterpret_cast<jstring>(&s); }
  static jbyteArray Array(FakeByteArray& a) { return reinterpret_cast<jbyteArray>(&a); }

  // Counted from every thread that calls through this environment.
  std::atomic<int> stringsHeld{0};     // GetStringUTFChars without its release
  std::atomic<int> arraysHeld{0};      // GetByteArrayElements without its release
  std::atomic<int> releaseModes{0};    // sum of the modes passed to ReleaseByteArrayElements
  std::atomic<bool> boundsError{false};  // SetByteArrayRegion outside the array

 private:
  static const char* JNICALL GetStringUTFChars(JNIEnv*, jstring s, jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    ++current->stringsHeld;
    return strdup(reinterpret_cast<FakeJavaString*>(s)->utf8.c_str());
  }
  static void JNICALL ReleaseStringUTFChars(JNIEnv*, jstring, const char* chars) {
    --current->stringsHeld;
    free(const_cast<char*>(chars));
  }
  static jbyte* JNICALL GetByteArrayElements(JNIEnv*, jbyteArray a, jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_FALSE;
    ++current->arraysHeld;
    return reinterpret_cast<FakeByteArray*>(a)->bytes.data();
  }
  static void JNICALL ReleaseByteArrayElements(JNIEnv*, jbyteArray, jbyte*, jint mode) {
    --current->arraysHeld;
    current->releaseModes += static_cast<int>(mode);
  }
  static void JNICALL SetByteArrayRegion(JNIEnv*, jbyteArray a, jsize start, jsize length, const jbyte* from) {
    auto& bytes = reinterpret_cast<FakeByteArray*>(a)->bytes;
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > bytes.size()) {
      current->boundsError = true;
      return;
    }
    std::memcpy(bytes.data() + start, from, static_cast<size_t>(length));
  }
  static jsize JNICALL GetArrayLength(JNIEnv*, jarray a) {
    return static_cast<jsize>(reinterpret_cast<FakeByteArray*>(a)->bytes.size());
  }

  static inline FakeJniEnv* current = nullptr;
  JNINativeInterface_ table_;
  JNIEnv env_;
};

}  // namespace portlink::testing
