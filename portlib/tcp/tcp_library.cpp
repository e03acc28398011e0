// PortLinkTcp: the native half of JNativeCommonPort4WindowsEthernet.
#include "jni_glue.h"
#include "tcp_policy.h"
#include "tcp_transport.h"

namespace {
using CNetworkPort = portlink::PortObject<portlink::TcpTransport>;
CNetworkPort* const thePort = new CNetworkPort(portlink::kTcpPolicy);
}  // namespace

PORTLINK_DEFINE_COMMON_ENTRY_POINTS(JNativeCommonPort4WindowsEthernet, thePort->port)
PORTLINK_DEFINE_WRITE_DATA(JNativeCommonPort4WindowsEthernet, thePort->port)
