#include "jpos_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "file_io.h"
#include "fixed_text.h"
#include "inet_address.h"
#include "legacy_text.h"
#include "settings_ops.h"
#include "utf8.h"
#include "xml_check.h"
#include "xml_text.h"

namespace quarvel {

namespace {

constexpr size_t kMaxLineChars = 1023;  // a longer line is read as several
constexpr size_t kAddressChars = 31;    // "SOCKET:" address text
constexpr size_t kSocketPrefixLength = 7;

// Gives the lines the scanner sees, one at a time, so memory stays that of
// one line: CR LF and a lone CR read as LF, a line holds at most 1023
// characters (the rest comes as the next line), and a NUL byte ends the
// line's text. A character is a UTF-8 character or a byte of the legacy code
// page, so a legacy file and the same file saved as UTF-8 break into the same
// lines; each is decoded to UTF-8 once, here.
class LineReader {
 public:
  explicit LineReader(std::string_view content) : content_(content) {}

  bool Next(std::string_view& line) {
    if (at_ >= content_.size()) return false;
    const size_t start = at_;
    size_t rawEnd = start;
    endsLine_ = false;
    for (size_t taken = 0; at_ < content_.size() && taken < kMaxLineChars; ++taken) {
      rawEnd = at_;
      const char c = content_[at_];
      if (c == '\r' || c == '\n') {
        at_ += c == '\r' && at_ + 1 < content_.size() && content_[at_ + 1] == '\n' ? 2 : 1;
        endsLine_ = true;
        break;
      }
      at_ = std::min(at_ + CharLengthAt(content_, at_), content_.size());
      rawEnd = at_;
    }
    whole_ = LegacyBytesToUtf8(content_.substr(start, rawEnd - start));
    line = std::string_view(whole_).substr(0, whole_.find('\0'));
    return true;
  }
  // The last line as it stands (a NUL and what follows included), and
  // whether a line end followed it (else a line over 1023 characters goes on).
  std::string_view Whole() const { return whole_; }
  bool EndsLine() const { return endsLine_; }

 private:
  std::string_view content_;
  size_t at_ = 0;
  std::string whole_;
  bool endsLine_ = false;
};

// Collects an entry's lines as they stand, each ended by '\n', for an entry
// that may be kept.
class EntryLines {
 public:
  void Start() {
    text_.clear();
    started_ = true;
  }
  // A line, or the part of one that belongs to this entry.
  void Add(std::string_view whole, bool endsLine) {
    if (!started_) return;
    text_ += whole;
    if (endsLine) text_ += '\n';
  }
  std::string Take() {
    if (!text_.empty() && text_.back() != '\n') text_ += '\n';
    started_ = false;
    return std::move(text_);
  }

 private:
  std::string text_;
  bool started_ = false;
};

bool Contains(std::string_view line, std::string_view keyword) {
  return line.find(keyword) != std::string_view::npos;
}

// The raw value behind `keyword`: from two characters after its end up to the
// next quotation mark (or the end of the line).
std::optional<std::string_view> RawValueAfter(std::string_view line, std::string_view keyword) {
  const size_t at = line.find(keyword);
  if (at == std::string_view::npos) return std::nullopt;
  size_t start = at + keyword.size();
  for (int skipped = 0; skipped < 2; ++skipped) {
    if (start >= line.size()) return std::string_view{};
    start += DecodeUtf8At(line, start).length;
  }
  const std::string_view rest = line.substr(start);
  return rest.substr(0, rest.find('"'));
}

// The value's text, its references resolved.
std::string ValueAfter(std::string_view line, std::string_view keyword) {
  const auto raw = RawValueAfter(line, keyword);
  return raw ? UnescapeAttribute(*raw) : std::string{};
}

// A text of the scan cut to its field: 63 characters at most (31 for the
// address), never inside a character.
std::string Fitted(std::string text, size_t maxChars = kNameChars) {
  text.resize(Utf8CutChars(text, maxChars));
  return text;
}

template <size_t N>
std::optional<int32_t> PrefixMatch(const std::array<std::string_view, N>& table, std::string_view text) {
  for (size_t k = 0; k < N; ++k) {
    if (text.size() <= table[k].size() && table[k].substr(0, text.size()) == text)
      return static_cast<int32_t>(k);
  }
  return std::nullopt;
}

enum class Current { None, Printer, Drawer, Kept };

struct ScanTexts {
  std::string pendingName;
  std::string printerRate, drawerRate;
  std::string printerClass, drawerClass;
  std::vector<std::string> notKept;  // names of entries left out
  std::vector<std::string> unread;   // names of entries read as no device and not kept
};

// An entry is written back only if it reads back the same and is well-formed
// XML on its own, so the file written stays one that XML parsers accept.
void Keep(KeptEntry entry, bool readsBack, KeptEntries& kept, ScanTexts& texts) {
  if (readsBack && IsWellFormedXmlElement(entry.text)) kept.push_back(std::move(entry));
  else texts.notKept.push_back(std::move(entry.name));
}

// One message for all entries left out for one reason, so a broken file gives one box.
std::string NamesMessage(const std::string& what, const std::vector<std::string>& names) {
  std::string message = what + ": \"" + Fitted(names.front()) + "\"";
  if (names.size() > 1) message += " and " + std::to_string(names.size() - 1) + " more";
  return message;
}

// What of a line stands outside comments and CDATA sections (which may run
// over several lines; `inComment` and `inCdata` carry that on): only there
// does a keyword of the scan count.
std::string Visible(std::string_view line, bool& inComment, bool& inCdata) {
  std::string shown;
  for (size_t i = 0; i < line.size();) {
    if (inComment || inCdata) {
      const std::string_view close = inComment ? "-->" : "]]>";
      const size_t end = line.find(close, i);
      if (end == std::string_view::npos) return shown;
      i = end + close.size();
      inComment = inCdata = false;
      continue;
    }
    const size_t comment = line.find("<!--", i), cdata = line.find("<![CDATA[", i);
    const size_t next = std::min(comment, cdata);
    shown.append(line.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i));
    if (next == std::string_view::npos) break;
    inComment = next == comment;
    inCdata = !inComment;
    i = next + (inComment ? 4 : 9);
  }
  return shown;
}

// Where a line that ends one entry and starts another is cut: just after its
// "</JposEntry>", when a "<JposEntry" follows.
size_t EntryBoundary(std::string_view line) {
  const size_t end = line.find("</JposEntry>");
  if (end == std::string_view::npos) return std::string_view::npos;
  const size_t cut = end + 12;
  return line.find("<JposEntry", cut) == std::string_view::npos ? std::string_view::npos : cut;
}

void TakeProperties(std::string_view line, Current kind, SetupData& data, ScanTexts& texts) {
  // A property's value is behind the first "value" of the line, whatever the
  // property; a line without one carries nothing.
  if (!Contains(line, "value")) return;
  const std::string value = Fitted(ValueAfter(line, "value"));
  if (kind == Current::Printer) {
    if (Contains(line, "portName")) StoreText(data.printer.portName, value);
    if (Contains(line, "portSettings")) texts.printerRate = value;
    if (Contains(line, "deviceClassName")) texts.printerClass = value;
  } else if (kind == Current::Drawer) {
    if (Contains(line, "portName")) StoreText(data.drawer.portName, value);
    if (Contains(line, "portSettings")) texts.drawerRate = value;
    if (Contains(line, "PinNo")) data.drawer.pinIndex = ParseDecimal32(value);
    if (Contains(line, "PulseOnTime")) data.drawer.pulseOnTime = ParseDecimal32(value);
    if (Contains(line, "PulseOffTime")) data.drawer.pulseOffTime = ParseDecimal32(value);
    if (Contains(line, "deviceClassName")) texts.drawerClass = value;
  }
}

void Scan(LineReader lines, SetupData& data, ScanTexts& texts, KeptEntries* kept) {
  enum class Phase { SeekEntry, SkipLine, InEntry } phase = Phase::SeekEntry;
  Current kind = Current::None;  // not reset between entries
  EntryLines entry;
  std::string entryName;
  // An entry reads back the same wherever it is written only when no line
  // before its category carries a value or ends it: those lines would go to
  // whichever device came before it.
  // An entry that names one of our categories anywhere is ours, never kept.
  bool categorySeen = false, keepable = false, ours = false;
  bool inComment = false, inCdata = false;

  // The entry's lines from its category on, its properties, and its end. A
  // category counts only outside comments and CDATA sections (`visible`).
  const auto inEntry = [&](std::string_view line, std::string_view visible, std::string_view whole, bool endsLine) {
    if (const auto category = RawValueAfter(visible, "category")) {
      // A second printer or drawer is no device of ours: it is kept as it stands.
      if (category->substr(0, 10) == "POSPrinter" && data.printerPresent == 0) {
        StoreText(data.printer.logicalName, texts.pendingName);
        data.printerPresent = 1;
        kind = Current::Printer;
        ours = true;
      } else if (category->substr(0, 10) == "CashDrawer" && data.drawerPresent == 0) {
        StoreText(data.drawer.logicalName, texts.pendingName);
        data.drawerPresent = 1;
        kind = Current::Drawer;
        ours = true;
      } else {
        kind = Current::Kept;  // another device: its entry stays as it stands
      }
      texts.pendingName.clear();
      categorySeen = true;
    } else if (!categorySeen && (Contains(line, "value") || Contains(line, "</JposEntry>"))) {
      keepable = false;
    }
    TakeProperties(line, kind, data, texts);
    if (kind != Current::None && Contains(line, "</JposEntry>")) {
      if (kind == Current::Kept && !ours && kept != nullptr) {
        entry.Add(whole, endsLine);
        Keep({entryName, entry.Take()}, categorySeen && keepable, *kept, texts);
      } else if (!categorySeen) {
        texts.unread.push_back(entryName);  // its values went to the device before it
      }
      phase = Phase::SeekEntry;
    }
  };

  const auto scanLine = [&](std::string_view line, std::string_view visible, std::string_view whole, bool endsLine) {
    switch (phase) {
      case Phase::SeekEntry:
        if (Contains(line, "logicalName")) {
          entryName = ValueAfter(line, "logicalName");
          texts.pendingName = Fitted(entryName);
          entry.Start();
          categorySeen = ours = false;
          keepable = true;
          phase = Phase::SkipLine;
          // An entry on one line holds its category and its end there.
          if (Contains(line, "</JposEntry>")) {
            phase = Phase::InEntry;
            inEntry(line, visible, whole, endsLine);
            if (phase == Phase::SeekEntry && !categorySeen) texts.unread.push_back(entryName);
          }
        }
        break;
      case Phase::SkipLine:  // the creation line in the writer's layout
        if (Contains(line, "<JposEntry")) texts.unread.push_back(entryName);  // the next entry swallows it
        phase = Phase::InEntry;
        break;
      case Phase::InEntry:
        if (Contains(line, "<JposEntry") && Contains(line, "logicalName") && !categorySeen) {
          texts.unread.push_back(ValueAfter(line, "logicalName"));  // runs into the entry before it
        }
        inEntry(line, visible, whole, endsLine);
        break;
    }
    if (phase != Phase::SeekEntry) entry.Add(whole, endsLine);
  };

  for (std::string_view line; lines.Next(line);) {
    std::string_view whole = lines.Whole();
    // A line that ends one entry and starts the next is read as two.
    for (size_t cut; (cut = EntryBoundary(line)) != std::string_view::npos;) {
      const std::string visible = Visible(line.substr(0, cut), inComment, inCdata);
      scanLine(line.substr(0, cut), visible, whole.substr(0, cut), false);
      line.remove_prefix(cut);
      whole.remove_prefix(cut);
    }
    const std::string visible = Visible(line, inComment, inCdata);
    scanLine(line, visible, whole, lines.EndsLine());
  }
  if (phase != Phase::SeekEntry && !categorySeen) texts.unread.push_back(entryName);  // never ended
}

// Port, rate, address and class of a present device from the texts read.
template <typename Record>
void SettlePort(Record& record, const std::string& rateText, const std::string& classText,
                const char* unknownMessage, std::vector<std::string>& messages) {
  const auto port = PrefixMatch(PortNameTable, TextOf(record.portName));
  if (!port) {
    record.portIndex = kTcpPortIndex;
    record.baudIndex = kDefaultBaudIndex;
    record.portNumber = ParseDecimal32(rateText);
    const std::string_view name = TextOf(record.portName);
    const std::string_view address =
        name.size() > kSocketPrefixLength ? name.substr(kSocketPrefixLength) : std::string_view{};
    const auto ip = InetAddrOrNone(Fitted(std::string(address), kAddressChars));
    std::memcpy(record.ipAddress, ip.data(), 4);
  } else {
    record.portIndex = *port;
    record.portNumber = kDefaultTcpPort;
    if (*port >= kFirstNonSerialPortIndex) {
      record.baudIndex = kDefaultBaudIndex;
    } else if (const auto rate = PrefixMatch(BaudRateTable, rateText)) {
      record.baudIndex = *rate;
    } else {
      messages.emplace_back(unknownMessage);
      record.baudIndex = kDefaultBaudIndex;  // keep a position the dialog can show
    }
  }
  record.deviceClass = classText.compare(0, 3, "Dot") == 0 ? 1 : 0;
}

template <typename Record>
void SettleAbsent(Record& record) {
  record.portIndex = 0;
  record.baudIndex = kDefaultBaudIndex;
  record.portNumber = kDefaultTcpPort;
  record.deviceClass = 0;
}

}  // namespace

std::vector<std::string> ReadConfigText(std::string_view content, SetupData& data, KeptEntries* kept) {
  ConfigPath unusedPath;
  ResetSettings(data, unusedPath);
  data.mode = SetupMode::EditFile;

  // A file saved as UTF-16 (an editor's "Unicode") carries its byte-order
  // mark; it is read as the text it is, and saved in UTF-8 like any other.
  // Without the mark it shows by its NULs: every other byte of its text is 0.
  std::string fromUtf16;
  const auto nul = [&](size_t i) { return content[i] == '\0'; };
  if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF")) {
    fromUtf16 = Utf16ToUtf8(content.substr(2), content[0] == '\xFE');
    content = fromUtf16;
  } else if (content.size() >= 4 && nul(0) != nul(1) && nul(0) == nul(2) && nul(1) == nul(3)) {
    fromUtf16 = Utf16ToUtf8(content, nul(0));  // a NUL first: big-endian
    content = fromUtf16;
  }

  ScanTexts texts;
  if (kept != nullptr) {
    kept->clear();
    // Room for every entry at once: a vector that doubles would hold up to twice that.
    size_t entries = 0;
    for (size_t at = content.find("<JposEntry"); at != std::string_view::npos; at = content.find("<JposEntry", at + 1)) {
      ++entries;
    }
    kept->reserve(entries);
  }
  Scan(LineReader(content), data, texts, kept);

  std::vector<std::string> messages;
  if (data.printerPresent == 1) {
    SettlePort(data.printer, texts.printerRate, texts.printerClass, kPrinterUnknownSettings, messages);
  } else {
    SettleAbsent(data.printer);
  }
  if (data.drawerPresent == 1) {
    SettlePort(data.drawer, texts.drawerRate, texts.drawerClass, kDrawerUnknownSettings, messages);
    data.drawer.pinIndex = data.drawer.pinIndex == 2 ? 0 : 1;
  } else {
    SettleAbsent(data.drawer);
    StoreText(data.drawer.logicalName, "");
    StoreText(data.drawer.portName, "");
    std::memset(data.drawer.ipAddress, 0, sizeof data.drawer.ipAddress);
    data.drawer.pinIndex = 0;
    data.drawer.pulseOnTime = 200;
    data.drawer.pulseOffTime = 400;
  }
  if (!texts.notKept.empty()) {
    messages.push_back(NamesMessage(
        "Left out when the file is saved (not well-formed XML, or values before the category)", texts.notKept));
  }
  if (!texts.unread.empty()) {
    messages.push_back(NamesMessage("Read as no device and left out when the file is saved", texts.unread));
  }
  return messages;
}

LoadResult LoadConfigFile(const std::string& path, SetupData& data, bool takeLock) {
  LoadResult result;
  FileResult locked{true, {}};
  const FileLock lock = takeLock ? FileLock::Acquire(path, FileLock::Kind::Shared, locked) : FileLock();
  if (!locked.ok) {
    result.detail = locked.detail;
    return result;
  }
  std::string content;
  const FileResult read = ReadWholeFile(path, content, kMaxConfigFileBytes);
  result.opened = read.ok;
  result.detail = read.detail;
  if (read.ok) result.messages = ReadConfigText(content, data, &result.kept);
  return result;
}

}  // namespace quarvel
