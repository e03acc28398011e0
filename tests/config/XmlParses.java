// Parses every file of a folder with the JDK's XML parser, as the
// Java side reads jpos.xml (no validation, the DTD not fetched). Names each
// file it refuses, and fails if there is one.
import java.io.File;
import javax.xml.parsers.DocumentBuilder;
import javax.xml.parsers.DocumentBuilderFactory;
import org.xml.sax.helpers.DefaultHandler;

public class XmlParses {
  public static void main(String[] args) throws Exception {
    DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
    factory.setValidating(false);
    factory.setFeature("http://apache.org/xml/features/nonvalidating/load-external-dtd", false);
    DocumentBuilder builder = factory.newDocumentBuilder();
    builder.setErrorHandler(new DefaultHandler());  // quiet: failures are counted below
    int parsed = 0, refused = 0;
    for (File file : new File(args[0]).listFiles()) {
      try {
        String root = builder.parse(file).getDocumentElement().getTagName();
        if (!root.equals("JposEntries")) throw new Exception("root element " + root);
        ++parsed;
      } catch (Exception e) {
        ++refused;
        System.out.println(file.getName() + ": " + e.getMessage());
      }
    }
    System.out.println("parsed " + parsed + ", refused " + refused);
    System.exit(refused == 0 && parsed > 0 ? 0 : 1);
  }
}
