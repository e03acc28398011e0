#include "jpos_writer.h"

#include <algorithm>
#include <string_view>

#include "file_io.h"
#include "jpos_reader.h"
#include "fixed_text.h"
#include "settings_ops.h"
#include "xml_text.h"

namespace quarvel {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kPropertyComment =
    "<!--Other non JavaPOS required property (mostly vendor properties and bus specific "
    "properties i.e. RS232 )-->";

class LineWriter {
 public:
  void Line(int indent, std::string_view text) {
    out_.append(static_cast<size_t>(indent), ' ');
    out_ += text;
    out_ += kEol;
  }
  void Property(std::string_view name, std::string_view type, std::string_view value) {
    Line(8, "<prop name=\"" + std::string(name) + "\" type=\"" + std::string(type) +
                "\" value=\"" + std::string(value) + "\"/>");
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string Dotted(const uint8_t (&ip)[4]) {
  return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) +
         "." + std::to_string(ip[3]);
}

template <typename Record>
void WriteEntryHead(LineWriter& w, const Record& record, std::string_view serviceClass,
                    std::string_view category, std::string_view description) {
  const std::string url(kVendorUrl);
  w.Line(4, "<JposEntry logicalName=\"" + EscapeAttribute(TextOf(record.logicalName)) + "\">");
  w.Line(8, "<creation factoryClass=\"com.vantrel.jpos.ServiceInstanceFactory\" serviceClass=\"" +
                std::string(serviceClass) + "\"/>");
  w.Line(8, "<vendor name=\"VANTREL Co., Ltd.\" url=\"" + url + "\"/>");
  w.Line(8, "<jpos category=\"" + std::string(category) + "\" version=\"1.8\"/>");
  w.Line(8, "<product description=\"" + std::string(description) +
                "\" name=\"Thermal Printer\" url=\"" + url + "\"/>");
  w.Line(8, kPropertyComment);
  if (record.portIndex == kTcpPortIndex) {
    w.Property("portName", "String", "SOCKET:" + Dotted(record.ipAddress));
    w.Property("portSettings", "String", std::to_string(record.portNumber));
  } else {
    w.Property("portName", "String", EscapeAttribute(TextOf(record.portName)));
    w.Property("portSettings", "String", RateText(record.baudIndex));
  }
}

}  // namespace

std::string FormatConfigFile(const SetupData& data, const KeptEntries& kept) {
  // The drawer entry's class follows the printer's, as the service expects.
  const std::string_view classText = DeviceClassText(data.printer.deviceClass);
  LineWriter w;
  w.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  w.Line(0, "<!DOCTYPE JposEntries PUBLIC \"-//JavaPOS//DTD//EN\"");
  w.Line(29, "\"jpos/res/jcl.dtd\">");
  w.Line(0, "<JposEntries>");
  w.Line(0, "<!--Saved by JavaPOS jpos.config/loader (JCL) version 2.0.1 on 2/5/03 2:24 PM-->");
  if (data.printerPresent == 1) {
    WriteEntryHead(w, data.printer, "com.vantrel.jpos.POSPrinterService", "POSPrinter",
                   "Thermal receipt printer");
    w.Property("deviceClassName", "String", classText);
    w.Property("statusTimeDelay", "Long", "500");
    w.Line(4, "</JposEntry>");
  }
  if (data.drawerPresent == 1) {
    WriteEntryHead(w, data.drawer, "com.vantrel.jpos.CashDrawerService", "CashDrawer",
                   "Cash Drawer");
    w.Property("deviceClassName", "String", classText);
    w.Property("statusTimeDelay", "Long", "500");
    w.Property("PinNo", "Long", std::to_string(PinNumber(data.drawer.pinIndex)));
    w.Property("PulseOnTime", "Long", std::to_string(data.drawer.pulseOnTime));
    w.Property("PulseOffTime", "Long", std::to_string(data.drawer.pulseOffTime));
    w.Line(4, "</JposEntry>");
  }
  for (const KeptEntry& entry : kept) {
    const std::string_view text = entry.text;
    for (size_t at = 0; at < text.size();) {
      const size_t end = std::min(text.find('\n', at), text.size());
      w.Line(0, text.substr(at, end - at));
      at = end + 1;
    }
  }
  w.Line(0, "</JposEntries>");
  return w.Take();
}

std::string WithXmlExtension(const std::string& path) {
  if (path.find(".xml") != std::string::npos || path.find(".XML") != std::string::npos) return path;
  return path + ".xml";
}

SaveResult SaveConfigFile(const std::string& path, const SetupData& data, const KeptEntries& kept, bool takeLock) {
  SaveResult result;
  result.path = WithXmlExtension(path);
  if (path.empty() || result.path.size() > kPathWidth - 1) {
    result.detail = "path too long for the configuration path field";
    if (path.empty()) result.detail = "no path given";
    return result;
  }
  if (path.back() == '/' || path.back() == '\\') {  // not a hidden ".xml" inside the folder
    result.detail = path + ": no file name, only a folder";
    return result;
  }
  FileResult locked{true, {}};
  const FileLock lock = takeLock ? FileLock::Acquire(result.path, FileLock::Kind::Exclusive, locked) : FileLock();
  if (!locked.ok) {
    result.detail = locked.detail;
    return result;
  }
  const std::string text = FormatConfigFile(data, kept);
  // Kept lines gain CR LF and legacy bytes grow as UTF-8: a file we write must be one we read.
  if (text.size() > kMaxConfigFileBytes) {
    result.detail = result.path + ": would be " + std::to_string(text.size() >> 20) + " MiB, more than the " +
                    std::to_string(kMaxConfigFileBytes >> 20) + " MiB a configuration file may have; nothing written";
    return result;
  }
  const FileResult written = ReplaceFileAtomically(result.path, text);
  result.ok = written.ok;
  result.detail = written.detail;
  return result;
}

}  // namespace quarvel
