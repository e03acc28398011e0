/* Machine-dependent JNI types for the Windows x64 cross build, which uses the
   JDK's platform-neutral jni.h without a Windows JDK. */
#ifndef PORTLINK_WIN32_JNI_MD_H
#define PORTLINK_WIN32_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
