import com.vantrel.jpos.JNativePort.JNativeCommonPort4WindowsEthernet;

import java.io.BufferedReader;
import java.io.File;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.io.StringReader;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.HashMap;
import java.util.Map;

import javax.xml.parsers.DocumentBuilder;
import javax.xml.parsers.DocumentBuilderFactory;

import org.w3c.dom.Document;
import org.w3c.dom.Element;
import org.w3c.dom.NodeList;
import org.xml.sax.InputSource;

/**
 * A small point-of-sale client, as a JavaPOS service would use the native
 * library: it reads the printer's and the drawer's entries from jpos.xml,
 * opens the printer through PortLinkTcp, prints a receipt, fires the drawer,
 * waits for the printing to complete and follows the status the library
 * reports. Usage: PosDemo JPOS_XML [SIMULATOR_CONTROL_PORT]
 */
public final class PosDemo {
    private static final String[] STATUS_NAMES = new String[17];

    static {
        STATUS_NAMES[0] = "Normal";
        STATUS_NAMES[1] = "CoverOpen";
        STATUS_NAMES[2] = "PaperEmpty";
        STATUS_NAMES[8] = "Offline";
        STATUS_NAMES[16] = "PaperNearEnd";
    }

    private static String statusName(int status) {
        return status >= 0 && status < STATUS_NAMES.length && STATUS_NAMES[status] != null
                ? STATUS_NAMES[status] : "status " + status;
    }

    private static void step(String text) {
        System.out.println("demo: " + text);
    }

    /** The properties of the entry with the given category, by name. */
    private static Map<String, String> entry(Document doc, String category) {
        NodeList entries = doc.getElementsByTagName("JposEntry");
        for (int i = 0; i < entries.getLength(); i++) {
            Element e = (Element) entries.item(i);
            Element jpos = (Element) e.getElementsByTagName("jpos").item(0);
            if (jpos == null || !category.equals(jpos.getAttribute("category"))) continue;
            Map<String, String> props = new HashMap<>();
            props.put("logicalName", e.getAttribute("logicalName"));
            NodeList list = e.getElementsByTagName("prop");
            for (int k = 0; k < list.getLength(); k++) {
                Element p = (Element) list.item(k);
                props.put(p.getAttribute("name"), p.getAttribute("value"));
            }
            return props;
        }
        throw new IllegalStateException("no " + category + " entry in the configuration");
    }

    private static Document readConfiguration(String path) throws Exception {
        DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
        // The DOCTYPE names a DTD that only the JavaPOS loader ships: don't fetch it.
        factory.setFeature("http://apache.org/xml/features/nonvalidating/load-external-dtd", false);
        DocumentBuilder builder = factory.newDocumentBuilder();
        builder.setEntityResolver((publicId, systemId) -> new InputSource(new StringReader("")));
        return builder.parse(new File(path));
    }

    /** The simulated printer's control port: lets the demo open the cover. */
    private static final class Simulator implements AutoCloseable {
        private final Socket socket;
        private final BufferedReader in;
        private final PrintWriter out;

        Simulator(int port) throws Exception {
            socket = new Socket("127.0.0.1", port);
            in = new BufferedReader(new InputStreamReader(socket.getInputStream(), StandardCharsets.UTF_8));
            out = new PrintWriter(new OutputStreamWriter(socket.getOutputStream(), StandardCharsets.UTF_8), true);
        }

        String command(String line) throws Exception {
            out.println(line);
            return in.readLine();
        }

        String receipt() throws Exception {
            out.println("receipt");
            StringBuilder text = new StringBuilder();
            for (String line = in.readLine(); line != null && !line.equals("."); line = in.readLine()) {
                text.append("    | ").append(line).append('\n');
            }
            return text.toString();
        }

        @Override
        public void close() throws Exception {
            socket.close();
        }
    }

    private static int waitForStatus(JNativeCommonPort4WindowsEthernet port, int wanted, int lastSeen)
            throws InterruptedException {
        for (int i = 0; i < 100; i++) {
            int status = port._getPrinterStatus();
            if (status != lastSeen) {
                step("printer status is now " + statusName(status));
                lastSeen = status;
            }
            if (status == wanted) return status;
            Thread.sleep(50);
        }
        throw new IllegalStateException("the printer status never became " + statusName(wanted));
    }

    private static byte[] receipt() {
        String esc = "\u001b";
        String gs = "\u001d";
        StringBuilder r = new StringBuilder();
        r.append(esc).append("@");
        r.append(esc).append("a\u0001").append(esc).append("E\u0001").append("CORNER STORE\n");
        r.append(esc).append("E\u0000").append("12 Harbour Street\n").append(esc).append("a\u0000");
        r.append("--------------------------------\n");
        r.append("Coffee beans 1kg          14.90\n");
        r.append("Oat milk 1l                2.35\n");
        r.append("Croissant x2               4.40\n");
        r.append("--------------------------------\n");
        r.append(esc).append("E\u0001").append("TOTAL                     21.65\n").append(esc).append("E\u0000");
        r.append("Cash                      30.00\n");
        r.append("Change                     8.35\n");
        r.append(esc).append("d\u0002").append("Thank you!\n");
        r.append(gs).append("V\u0001");
        return r.toString().getBytes(StandardCharsets.ISO_8859_1);
    }

    public static void main(String[] args) throws Exception {
        if (args.length < 1) {
            System.err.println("usage: PosDemo JPOS_XML [SIMULATOR_CONTROL_PORT]");
            System.exit(2);
        }
        Document config = readConfiguration(args[0]);
        Map<String, String> printer = entry(config, "POSPrinter");
        Map<String, String> drawer = entry(config, "CashDrawer");
        step("configuration: printer '" + printer.get("logicalName") + "' on " + printer.get("portName")
                + " port " + printer.get("portSettings") + ", drawer '" + drawer.get("logicalName")
                + "' on pin " + drawer.get("PinNo"));

        System.loadLibrary(JNativeCommonPort4WindowsEthernet.LIBRARY);
        JNativeCommonPort4WindowsEthernet port = new JNativeCommonPort4WindowsEthernet();
        step("_openPort(" + printer.get("portName") + ", " + printer.get("portSettings") + ")");
        port._openPort(printer.get("portName"), printer.get("portSettings"));
        long claimed = port._claim(1000, true);
        step("_claim(1000, monitor) = " + claimed + (claimed == 0 ? " (claimed)" : " (failed)"));
        if (claimed != 0) System.exit(1);
        int status = waitForStatus(port, 0, -1);
        step("cash drawer sensor reads " + port._getCashDrawerStatus());

        byte[] data = receipt();
        step("_writeData(" + data.length + " bytes of receipt) = " + port._writeData(data, data.length));
        long pin = Long.parseLong(drawer.get("PinNo"));
        long on = Long.parseLong(drawer.get("PulseOnTime"));
        long off = Long.parseLong(drawer.get("PulseOffTime"));
        step("_OpenDrawer(" + pin + ", " + on + ", " + off + ") = " + port._OpenDrawer(pin, on, off));
        step("_WaitForCompletePrinting() = " + port._WaitForCompletePrinting());
        for (int i = 0; i < 40 && port._getCashDrawerStatus() != 1; i++) Thread.sleep(50);
        step("cash drawer sensor reads " + port._getCashDrawerStatus() + " (drawer open)");
        for (int i = 0; i < 80 && port._getCashDrawerStatus() != 0; i++) Thread.sleep(50);
        step("cash drawer sensor reads " + port._getCashDrawerStatus() + " (drawer closed again)");

        if (args.length > 1) {
            try (Simulator sim = new Simulator(Integer.parseInt(args[1]))) {
                step("the printer's cover is opened");
                sim.command("cover open");
                status = waitForStatus(port, 1, status);
                step("the printer's cover is closed");
                sim.command("cover close");
                status = waitForStatus(port, 0, status);
                step("_closePort()");
                port._release();
                port._closePort();
                System.out.println("demo: the printer received:");
                System.out.print(sim.receipt());
                step("the simulator recorded " + sim.command("kicks"));
            }
        } else {
            port._release();
            port._closePort();
        }
        step("done");
    }
}
