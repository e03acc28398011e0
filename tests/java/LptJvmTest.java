import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsParallel;

/**
 * PortLinkLpt inside a real JVM against the simulated printer on the
 * pseudo-terminal named by QUARVEL_SIM_PTY: the binding and the main paths.
 */
public final class LptJvmTest {
    private static final JNativeCommonPort4WindowsParallel port = new JNativeCommonPort4WindowsParallel();

    private static int write(String text) {
        byte[] bytes = SimulatorClient.bytes(text);
        return port._writeData(bytes, bytes.length);
    }

    public static void main(String[] args) throws Exception {
        System.loadLibrary(JNativeCommonPort4WindowsParallel.LIBRARY);
        SimulatorClient sim = new SimulatorClient();
        String device = System.getenv("QUARVEL_SIM_PTY");

        sim.sim("reset");
        port._openPort("LPT9", "");
        sim.check("an unknown name leaves the port closed", port._claim(1000, false) == 1);
        port._openPort(device, "");
        sim.check("claim without monitoring", port._claim(5000, false) == 0);
        sim.check("the count is returned", write("Hello LPT\n\n") == 11);
        sim.check("and the bytes arrive", SimulatorClient.eventually(() -> sim.receipt().equals("Hello LPT\n\n")));
        port._closePort();

        port._openPort(device, "");
        sim.check("claim with monitoring", port._claim(1000, true) == 0);
        sim.check("status Normal", SimulatorClient.eventually(() -> port._getPrinterStatus() == 0));
        sim.sim("cover open");
        sim.check("status CoverOpen", SimulatorClient.eventually(() -> port._getPrinterStatus() == 1));
        sim.sim("cover close");
        sim.check("status Normal again", SimulatorClient.eventually(() -> port._getPrinterStatus() == 0));
        sim.check("drawer kick sent", port._OpenDrawer(5, 300, 500) == 0);
        sim.check("drawer sensor follows the kick", SimulatorClient.eventually(() -> port._getCashDrawerStatus() == 1));
        sim.check("receipt written", write("Total 9.99\n") == 11);
        sim.check("completion wait", port._WaitForCompletePrinting());
        port._closePort();
        sim.check("closed", write("x") == 0);
        sim.finish();
    }
}
