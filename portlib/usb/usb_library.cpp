// PortLinkUsb: the native half of JNativeCommonPort4WindowsUSB.
#include "jni_glue.h"
#include "usb_policy.h"
#include "usb_transport.h"

namespace {
using CUSBPort = portlink::PortObject<portlink::UsbTransport>;
CUSBPort* const thePort = new CUSBPort(portlink::kUsbPolicy);
}  // namespace

PORTLINK_DEFINE_COMMON_ENTRY_POINTS(JNativeCommonPort4WindowsUSB, thePort->port)
PORTLINK_DEFINE_WRITE_DATA_WITH_UNUSED_INT(JNativeCommonPort4WindowsUSB, thePort->port)
