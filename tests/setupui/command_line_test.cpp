#include <gtest/gtest.h>

#include "command_line.h"

namespace quarvel {
namespace {

TEST(AutomationSwitches, RecognisedAnywhereInAnyCaseAsAPrefixAndRemoved) {
  struct Case {
    const char* line;
    bool embedding, automation;
    const char* remaining;
  };
  const Case cases[] = {
      {"", false, false, ""},
      {"jpos.xml", false, false, "jpos.xml"},
      {"/Automation", false, true, ""},
      {"-embedding", true, false, ""},
      {"-EMBEDDING", true, false, ""},
      {"/AutomationX", false, true, "X"},
      {"file.xml /Embedding -automation", true, true, "file.xml  "},
      {"\"C:\\Program Files\\Quarvel.exe\" -Embedding", true, false, "\"C:\\Program Files\\Quarvel.exe\" "},
      {"/Embed", false, false, "/Embed"},
      {"Embedding", false, false, "Embedding"},
      {"--automation", false, true, "-"},
      {"a-b/c", false, false, "a-b/c"},
  };
  for (const Case& c : cases) {
    const AutomationSwitches found = ScanAutomationSwitches(c.line);
    EXPECT_EQ(found.embedding, c.embedding) << c.line;
    EXPECT_EQ(found.automation, c.automation) << c.line;
    EXPECT_EQ(found.StartedByClient(), c.embedding || c.automation) << c.line;
    EXPECT_EQ(found.remaining, c.remaining) << c.line;
  }
}

}  // namespace
}  // namespace quarvel
