// PortLinkLpt: the native half of JNativeCommonPort4WindowsParallel.
#include "closed_transport.h"
#include "jni_glue.h"
#include "lpt_policy.h"

namespace {

// The library's one port object. Created when the library is loaded and
// never destroyed: the JVM may exit while a monitor thread still runs.
struct CParallelPort {
  portlink::ClosedTransport transport;
  portlink::SystemClock clock;
  portlink::Port port{portlink::kLptPolicy, transport, clock};
};

CParallelPort* const thePort = new CParallelPort();

}  // namespace

PORTLINK_DEFINE_COMMON_ENTRY_POINTS(JNativeCommonPort4WindowsParallel, thePort->port)
PORTLINK_DEFINE_WRITE_DATA(JNativeCommonPort4WindowsParallel, thePort->port)
