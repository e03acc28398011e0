// PortLinkUsb: the native half of JNativeCommonPort4WindowsUSB.
#include "closed_transport.h"
#include "jni_glue.h"
#include "usb_policy.h"

namespace {

// The library's one port object. Created when the library is loaded and
// never destroyed: the JVM may exit while a monitor thread still runs.
struct CUSBPort {
  portlink::ClosedTransport transport;
  portlink::SystemClock clock;
  portlink::Port port{portlink::kUsbPolicy, transport, clock};
};

CUSBPort* const thePort = new CUSBPort();

}  // namespace

PORTLINK_DEFINE_COMMON_ENTRY_POINTS(JNativeCommonPort4WindowsUSB, thePort->port)
PORTLINK_DEFINE_WRITE_DATA_WITH_UNUSED_INT(JNativeCommonPort4WindowsUSB, thePort->port)
