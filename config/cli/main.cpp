#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "quarvel_cli.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: shellapi.h needs its types
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include "win32_text.h"

// Arguments as UTF-8, whatever the console's code page; output with plain LF
// line ends, as on every other platform.
static std::vector<std::string> Arguments(int, char**) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(quarvel::win32::Narrow(wide[i]));
  LocalFree(wide);
  return args;
}
#else
static std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

int main(int argc, char** argv) {
  try {
    return quarvel::RunQuarvelCli(Arguments(argc, argv), std::cout, std::cerr);
  } catch (const std::exception& error) {  // out of memory, say: reported, never an abort
    std::cerr << "quarvel-cli: " << error.what() << "\n";
    return 1;
  }
}
