#include <gtest/gtest.h>

#include <string>

#include "command_line.h"

namespace quarvel {
namespace {

// Each line of arguments behind program paths that hold both switch names
// (quoted with a space, quoted with nothing after it, unquoted with a tab).
TEST(AutomationSwitches, RecognisedAnywhereInTheArgumentsInAnyCaseAsAPrefixAndRemoved) {
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
  const char* programs[] = {"Quarvel.exe ", "\"D:\\pos-automation\\-Embedding tills\\Quarvel.exe\" ",
                            "\"D:\\pos-automation\\Quarvel.exe\"", "D:\\pos-embedding\\Quarvel.exe\t"};
  for (const char* program : programs) {
    for (const Case& c : cases) {
      const std::string line = program + std::string(c.line);
      const AutomationSwitches found = ScanAutomationSwitches(ArgumentsOf(line));
      EXPECT_EQ(found.embedding, c.embedding) << line;
      EXPECT_EQ(found.automation, c.automation) << line;
      EXPECT_EQ(found.StartedByClient(), c.embedding || c.automation) << line;
      EXPECT_EQ(found.remaining, c.remaining) << line;
    }
  }
}

}  // namespace
}  // namespace quarvel
