// PortLinkLpt: the native half of JNativeCommonPort4WindowsParallel.
#include "jni_glue.h"
#include "lpt_policy.h"
#include "lpt_transport.h"

namespace {
using CParallelPort = portlink::PortObject<portlink::LptTransport>;
CParallelPort* const thePort = new CParallelPort(portlink::kLptPolicy);
}  // namespace

PORTLINK_DEFINE_COMMON_ENTRY_POINTS(JNativeCommonPort4WindowsParallel, thePort->port)
PORTLINK_DEFINE_WRITE_DATA(JNativeCommonPort4WindowsParallel, thePort->port)
