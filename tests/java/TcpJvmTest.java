import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsEthernet;


/**
 * PortLinkTcp inside a real JVM against the simulated printer named by
 * QUARVEL_SIM_PORT and QUARVEL_SIM_CONTROL: the scenarios of the native
 * end-to-end tests, through the Java class's native methods.
 */
public final class TcpJvmTest {
    private static final JNativeCommonPort4WindowsEthernet port = new JNativeCommonPort4WindowsEthernet();
    private static SimulatorClient sim;
    private static String printerPort;

    private static String sim(String command) throws Exception { return sim.sim(command); }
    private static String receipt() { return sim.receipt(); }
    private static String field(String key) throws Exception { return sim.field(key); }
    private static void check(String what, boolean ok) { sim.check(what, ok); }
    private static boolean eventually(java.util.function.BooleanSupplier c) throws InterruptedException {
        return SimulatorClient.eventually(c);
    }

    private static boolean statusBecomes(int status) throws InterruptedException {
        return eventually(() -> port._getPrinterStatus() == status);
    }

    private static int write(String text) {
        byte[] bytes = SimulatorClient.bytes(text);
        return port._writeData(bytes, bytes.length);
    }

    private static void open() throws Exception {
        sim("reset");
        port._openPort("SOCKET:127.0.0.1", printerPort);
    }

    public static void main(String[] args) throws Exception {
        System.loadLibrary(JNativeCommonPort4WindowsEthernet.LIBRARY);
        printerPort = System.getenv("QUARVEL_SIM_PORT");
        sim = new SimulatorClient();

        open();
        check("claim without monitoring, printer ready", port._claim(1000, false) == 0);
        port._closePort();
        sim("cover open");
        port._openPort("SOCKET:127.0.0.1", printerPort);
        check("claim with the cover open fails", port._claim(1000, false) == 1);
        check("and leaves the port closed", write("x") == 0);

        open();
        check("claim with monitoring", port._claim(1000, true) == 0);
        check("status Normal", statusBecomes(0));
        sim("cover open");
        check("status CoverOpen", statusBecomes(1));
        sim("cover close");
        sim("paper out");
        check("status PaperEmpty", statusBecomes(2));
        sim("paper near-end");
        check("status PaperNearEnd", statusBecomes(16));
        sim("paper ok");
        check("status Normal again", statusBecomes(0));
        check("drawer kick sent", port._OpenDrawer(5, 300, 500) == 0);
        check("drawer sensor follows the kick", eventually(() -> port._getCashDrawerStatus() == 1));
        check("kick recorded", sim("kicks").equals("kicks 1 5:300:500"));
        check("receipt written", write("Total 9.99\n") == 1);
        check("completion wait", port._WaitForCompletePrinting());
        check("receipt printed", receipt().contains("Total 9.99"));
        port._closePort();

        open();
        write("first\n");
        eventually(() -> { return receipt().contains("first"); });
        sim("drop");
        Thread.sleep(100);
        check("write after a drop reconnects and resends", write("second\n") == 1);
        check("resent complete", eventually(() -> {
            return receipt().equals("first\nsecond\n");
        }));
        check("one more connection", field("accepted").equals("2"));
        sim("refuse");
        sim("drop");
        Thread.sleep(100);
        check("refused reconnection fails the write", write("lost\n") == 0);
        check("and reports Offline", port._getPrinterStatus() == 8);
        sim("accept");
        check("next write reconnects", write("back\n") == 1);
        check("status Normal after reconnecting", port._getPrinterStatus() == 0);
        sim("close");
        Thread.sleep(100);
        check("write after a clean close reconnects", write("after close\n") == 1);
        check("and arrives", eventually(() -> {
            return receipt().contains("after close");
        }));
        port._closePort();

        open();
        port._openPort("SOCKET:127.0.0.1", "9");
        check("second open writes", write("kept\n") == 1);
        eventually(() -> { return receipt().contains("kept"); });
        check("second open keeps the first connection", field("accepted").equals("1"));
        port._closePort();
        port._openPort("SOCKET:SOCKET:127.0.0.1", printerPort);
        check("SOCKET:SOCKET: reduces to the address", write("doubled\n") == 1);
        check("and the bytes arrive", eventually(() -> {
            return receipt().contains("doubled");
        }));
        port._closePort();
        port._openPort("socket:127.0.0.1", printerPort);
        check("lower-case socket: holds no SOCKET:", port._claim(1000, true) == 1);

        open();
        byte[] job = new byte[1 << 20];
        for (int i = 0; i < job.length; i++) job[i] = (byte) (i % 61 == 60 ? '\n' : 'a' + (i % 26));
        check("a megabyte in one write", port._writeData(job, job.length) == 1);
        String arrived = sim("wait-bytes 1048576 20000");
        check("arrives complete (" + arrived + ")", arrived.equals("received 1048576"));
        long hash = 0xCBF29CE484222325L;
        for (byte b : job) hash = (hash ^ (b & 0xFF)) * 0x100000001B3L;
        check("and in order", sim("received").contains(String.format("fnv1a64=%016x", hash)));
        port._closePort();

        sim.finish();
    }
}
