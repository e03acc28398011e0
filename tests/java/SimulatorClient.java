import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.function.BooleanSupplier;

/**
 * What the JVM tests share: the simulated printer's control port (named by
 * QUARVEL_SIM_CONTROL), checks that count their failures, and waiting.
 */
final class SimulatorClient {
    private final Socket control;
    private final BufferedReader in;
    private final PrintWriter out;
    private int failures = 0;

    SimulatorClient() throws Exception {
        control = new Socket("127.0.0.1", Integer.parseInt(System.getenv("QUARVEL_SIM_CONTROL")));
        in = new BufferedReader(new InputStreamReader(control.getInputStream(), StandardCharsets.UTF_8));
        out = new PrintWriter(new OutputStreamWriter(control.getOutputStream(), StandardCharsets.UTF_8), true);
    }

    String sim(String command) throws Exception {
        out.println(command);
        return in.readLine();
    }

    String receipt() {
        try {
            out.println("receipt");
            StringBuilder text = new StringBuilder();
            for (String line = in.readLine(); line != null && !line.equals("."); line = in.readLine()) {
                text.append(line).append('\n');
            }
            return text.toString();
        } catch (Exception e) {
            return "";
        }
    }

    String field(String key) throws Exception {
        for (String word : sim("status").split(" ")) {
            if (word.startsWith(key + "=")) return word.substring(key.length() + 1);
        }
        return "";
    }

    void check(String what, boolean ok) {
        System.out.println((ok ? "ok     " : "FAILED ") + what);
        if (!ok) failures++;
    }

    static boolean eventually(BooleanSupplier condition) throws InterruptedException {
        for (int i = 0; i < 250; i++) {
            if (condition.getAsBoolean()) return true;
            Thread.sleep(20);
        }
        return condition.getAsBoolean();
    }

    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.ISO_8859_1);
    }

    /** Prints the verdict and ends the JVM with it. */
    void finish() throws Exception {
        control.close();
        System.out.println(failures == 0 ? "PASSED" : failures + " FAILED");
        System.exit(failures == 0 ? 0 : 1);
    }
}
