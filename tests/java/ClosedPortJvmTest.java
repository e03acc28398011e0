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

    /** The eleven methods of one class, whatever its own name. */
    private interface Port {
        void openPort(String name, String settings);
        void closePort();
        int readData(byte[] buffer);
        int writeData(byte[] data, int length);
        long claim(int timeout, boolean monitor);
        void release();
        int printerStatus();
        int drawerStatus();
        int openDrawer(long pin, long on, long off);
        int waitForDrawer();
        boolean waitForPrinting();
    }

    private static Port usb() {
        System.loadLibrary(JNativeCommonPort4WindowsUSB.LIBRARY);
        JNativeCommonPort4WindowsUSB p = new JNativeCommonPort4WindowsUSB();
        return new Port() {
            public void openPort(String n, String s) { p._openPort(n, s); }
            public void closePort() { p._closePort(); }
            public int readData(byte[] b) { return p._readData(b); }
            public int writeData(byte[] d, int l) { return p._writeData(d, l, 0); }
            public long claim(int t, boolean m) { return p._claim(t, m); }
            public void release() { p._release(); }
            public int printerStatus() { return p._getPrinterStatus(); }
            public int drawerStatus() { return p._getCashDrawerStatus(); }
            public int openDrawer(long pin, long on, long off) { return p._OpenDrawer(pin, on, off); }
            public int waitForDrawer() { return p._WaitForUntilDrawerClose(); }
            public boolean waitForPrinting() { return p._WaitForCompletePrinting(); }
        };
    }

    private static Port ethernet() {
        System.loadLibrary(JNativeCommonPort4WindowsEthernet.LIBRARY);
        JNativeCommonPort4WindowsEthernet p = new JNativeCommonPort4WindowsEthernet();
        return new Port() {
            public void openPort(String n, String s) { p._openPort(n, s); }
            public void closePort() { p._closePort(); }
            public int readData(byte[] b) { return p._readData(b); }
            public int writeData(byte[] d, int l) { return p._writeData(d, l); }
            public long claim(int t, boolean m) { return p._claim(t, m); }
            public void release() { p._release(); }
            public int printerStatus() { return p._getPrinterStatus(); }
            public int drawerStatus() { return p._getCashDrawerStatus(); }
            public int openDrawer(long pin, long on, long off) { return p._OpenDrawer(pin, on, off); }
            public int waitForDrawer() { return p._WaitForUntilDrawerClose(); }
            public boolean waitForPrinting() { return p._WaitForCompletePrinting(); }
        };
    }

    private static Port parallel() {
        System.loadLibrary(JNativeCommonPort4WindowsParallel.LIBRARY);
        JNativeCommonPort4WindowsParallel p = new JNativeCommonPort4WindowsParallel();
        return new Port() {
            public void openPort(String n, String s) { p._openPort(n, s); }
            public void closePort() { p._closePort(); }
            public int readData(byte[] b) { return p._readData(b); }
            public int writeData(byte[] d, int l) { return p._writeData(d, l); }
            public long claim(int t, boolean m) { return p._claim(t, m); }
            public void release() { p._release(); }
            public int printerStatus() { return p._getPrinterStatus(); }
            public int drawerStatus() { return p._getCashDrawerStatus(); }
            public int openDrawer(long pin, long on, long off) { return p._OpenDrawer(pin, on, off); }
            public int waitForDrawer() { return p._WaitForUntilDrawerClose(); }
            public boolean waitForPrinting() { return p._WaitForCompletePrinting(); }
        };
    }

    public static void main(String[] args) {
        final String kind = args.length > 0 ? args[0] : "";
        final Port port;
        switch (kind) {
            case "USB": port = usb(); break;
            case "Ethernet": port = ethernet(); break;
            case "Parallel": port = parallel(); break;
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
        expect("_OpenDrawer pin 2 (not sent)", port.openDrawer(2, 200, 100), 2);
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
