// quarvel: the configuration program's window on Linux.
//   quarvel                      the main dialog
//   quarvel FILE                 the main dialog editing FILE, as Edit Existing does
//   quarvel --screenshots DIR    saves pictures of the four views in DIR
//   quarvel --help | --version   answered without a window (no display needed)
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "quarvel_qt.h"

namespace {
constexpr const char* kUsage =
    "usage: quarvel [FILE]\n"
    "       quarvel --screenshots DIR\n"
    "       quarvel --help | --version\n"
    "Sets up the JavaPOS receipt printer and cash drawer (jpos.xml) in a window;\n"
    "with FILE, the window opens editing FILE as \"Edit Existing XML File\" does.\n";
}

int main(int argc, char** argv) {
  if (argc == 2) {
    const std::string_view arg = argv[1];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("quarvel " QUARVEL_VERSION);
      return 0;
    }
  }
  QApplication application(argc, argv);
  quarvel::qt::PrepareApplication();
  const QStringList args = QApplication::arguments();  // Qt's own options taken out
  if (args.size() == 3 && args[1] == QStringLiteral("--screenshots")) {
    return quarvel::qt::TakeScreenshots(args[2]) ? 0 : 1;
  }
  const bool withFile = args.size() == 2 && !args[1].startsWith(QLatin1Char('-'));
  if (args.size() > 1 && !withFile) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  quarvel::qt::MainDialog dialog;
  if (withFile) dialog.OpenFile(args[1]);
  dialog.Window().exec();
  return 0;
}
