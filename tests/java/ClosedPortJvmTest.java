import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsEthernet;
import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsParallel;
import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsUSB;

/**
 * Loads one port library into this JVM with System.loadLibrary and calls all
 * eleven native methods on a port with no printer behind it: each must give
 * the results of a closed port. Usage: ClosedPortJvmTest USB|Ethernet|Parallel
 */
public final class ClosedPortJvmTest {
    private static int failures = 0;

    private static void expect(String what, long actual, long expected) {
        if (actual != expected) {
            System.out.println("FAILED " + what + ": got " + actual + ", expected " + expected);
            failures++;
        } else {
            System.out.println("ok     " + what + " = " + actual);
        }
    }

    /** The eleven native methods of one port class, called by name. */
    private static final class Port {
        private final Object target;
        private final Class<?> type;

        Port(Class<?> type) throws Exception {
            System.loadLibrary((String) type.getField("LIBRARY").get(null));
            this.type = type;
            this.target = type.getConstructor().newInstance();
        }

        Object call(String name, Class<?>[] types, Object... args) {
            try {
                return type.getMethod(name, types).invoke(target, args);
            } catch (ReflectiveOperationException e) {
                throw new IllegalStateException(name, e);
            }
        }

        void openPort(String n, String s) { call("_openPort", new Class<?>[] {String.class, String.class}, n, s); }
        void closePort() { call("_closePort", new Class<?>[0]); }
        int readData(byte[] b) { return (Integer) call("_readData", new Class<?>[] {byte[].class}, (Object) b); }
        int writeData(byte[] d, int l) {
            return type == JNativeCommonPort4WindowsUSB.class
                    ? (Integer) call("_writeData", new Class<?>[] {byte[].class, int.class, int.class}, d, l, 0)
                    : (Integer) call("_writeData", new Class<?>[] {byte[].class, int.class}, d, l);
        }
        long claim(int t, boolean m) {
            return (Long) call("_claim", new Class<?>[] {int.class, boolean.class}, t, m);
        }
        void release() { call("_release", new Class<?>[0]); }
        int printerStatus() { return (Integer) call("_getPrinterStatus", new Class<?>[0]); }
        int drawerStatus() { return (Integer) call("_getCashDrawerStatus", new Class<?>[0]); }
        int openDrawer(long pin, long on, long off) {
            return (Integer) call("_OpenDrawer", new Class<?>[] {long.class, long.class, long.class}, pin, on, off);
        }
        int waitForDrawer() { return (Integer) call("_WaitForUntilDrawerClose", new Class<?>[0]); }
        boolean waitForPrinting() { return (Boolean) call("_WaitForCompletePrinting", new Class<?>[0]); }
    }

    public static void main(String[] args) throws Exception {
        final String kind = args.length > 0 ? args[0] : "";
        final Port port;
        switch (kind) {
            case "USB": port = new Port(JNativeCommonPort4WindowsUSB.class); break;
            case "Ethernet": port = new Port(JNativeCommonPort4WindowsEthernet.class); break;
            case "Parallel": port = new Port(JNativeCommonPort4WindowsParallel.class); break;
            default:
                System.out.println("usage: ClosedPortJvmTest USB|Ethernet|Parallel");
                System.exit(2);
                return;
        }
        expect("_getPrinterStatus after loading", port.printerStatus(), 0);
        expect("_claim before _openPort", port.claim(1000, true), 1);
        port.openPort("SOCKET:127.0.0.1", "9");
        expect("_claim with monitoring", port.claim(1000, true), 1);
        expect("_claim without monitoring", port.claim(1000, false), 1);
        byte[] data = "hello\n".getBytes();
        expect("_writeData", port.writeData(data, data.length), 0);
        expect("_writeData past the array", port.writeData(data, 1 << 20), 0);
        byte[] buffer = new byte[256];
        buffer[0] = 42;
        expect("_readData", port.readData(buffer), 0);
        expect("_readData leaves the buffer", buffer[0], 42);
        expect("_OpenDrawer pin 2 (not sent: refused)", port.openDrawer(2, 200, 100), 1);
        expect("_OpenDrawer pin 3", port.openDrawer(3, 100, 100), 1);
        expect("_getPrinterStatus", port.printerStatus(), 0);
        expect("_getCashDrawerStatus", port.drawerStatus(), 0);
        expect("_WaitForUntilDrawerClose", port.waitForDrawer(), 0);
        port.release();
        port.closePort();
        port.closePort();
        expect("_WaitForCompletePrinting", port.waitForPrinting() ? 1 : 0, 0);
        System.out.println(failures == 0 ? "PASSED" : failures + " FAILED");
        System.exit(failures == 0 ? 0 : 1);
    }
}
