// quarvel: the configuration program's window on Linux.
//   quarvel                      the main dialog
//   quarvel --screenshots DIR    saves pictures of the four views in DIR
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "quarvel_qt.h"

namespace {
constexpr const char* kUsage = "usage: quarvel [--screenshots DIR]\n";
}

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);  // no window needed for that
    return 0;
  }
  QApplication application(argc, argv);
  quarvel::qt::PrepareApplication();
  const QStringList args = QApplication::arguments();
  if (args.size() == 3 && args[1] == QStringLiteral("--screenshots")) {
    return quarvel::qt::TakeScreenshots(args[2]) ? 0 : 1;
  }
  if (args.size() > 1) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  quarvel::qt::MainDialog dialog;
  dialog.Window().exec();
  return 0;
}
