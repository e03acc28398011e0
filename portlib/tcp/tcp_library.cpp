// PortLinkTcp: the native half of JNativeCommonPort4WindowsEthernet.
#include "jni_glue.h"
#include "tcp_policy.h"
#include "tcp_transport.h"

namespace {

// The library's one port object. Created when the library is loaded and
// never destroyed: the JVM may exit while a monitor thread still runs.
struct CNetworkPort {
  portlink::SystemClock clock;
  portlink::TcpTransport transport;
  portlink::Port port{portlink::kTcpPolicy, transport, clock};
};

CNetworkPort* const thePort = new CNetworkPort();

}  // namespace

PORTLINK_DEFINE_COMMON_ENTRY_POINTS(JNativeCommonPort4WindowsEthernet, thePort->port)
PORTLINK_DEFINE_WRITE_DATA(JNativeCommonPort4WindowsEthernet, thePort->port)
