import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsUSB;

/**
 * PortLinkUsb inside a real JVM run under umockdev's preload, against the
 * simulator's mocked USB printer: found, status, receipt, unplug, replug.
 */
public final class UsbJvmTest {
    private static final JNativeCommonPort4WindowsUSB port = new JNativeCommonPort4WindowsUSB();

    private static int write(String text) {
        byte[] bytes = SimulatorClient.bytes(text);
        return port._writeData(bytes, bytes.length, 0);
    }

    private static boolean statusBecomes(int status) throws InterruptedException {
        return SimulatorClient.eventually(() -> port._getPrinterStatus() == status);
    }

    public static void main(String[] args) throws Exception {
        System.loadLibrary(JNativeCommonPort4WindowsUSB.LIBRARY);
        SimulatorClient sim = new SimulatorClient();

        sim.sim("reset");
        port._openPort("USB", "");
        sim.check("no printer attached: the claim fails", port._claim(1000, true) == 1);
        sim.sim("usb plug 0 04b8 0202");
        port._openPort("USB", "");
        sim.check("another vendor's printer is not opened", port._claim(1000, true) == 1);

        sim.sim("reset");
        sim.sim("usb plug 0");
        port._openPort("whatever", "");
        sim.check("found whatever the port name", port._claim(1000, true) == 0);
        sim.check("status Normal", statusBecomes(0));
        sim.sim("cover open");
        sim.check("status CoverOpen", statusBecomes(1));
        sim.sim("cover close");
        sim.check("status Normal again", statusBecomes(0));
        sim.check("receipt written", write("Total 9.99\n") == 1);
        sim.check("completion wait", port._WaitForCompletePrinting());
        sim.check("receipt printed", sim.receipt().contains("Total 9.99"));

        sim.sim("usb unplug");
        sim.check("unplugged: the write fails", write("lost\n") == 0);
        sim.check("and the status is Offline", port._getPrinterStatus() == 8);
        sim.sim("pty");
        sim.sim("usb plug 1");
        sim.check("plugged in again: Normal by itself", statusBecomes(0));
        sim.check("writes arrive again", SimulatorClient.eventually(() -> write("after\n") == 1));
        port._closePort();
        sim.finish();
    }
}
