// voltrak-cli: loads and plans a playlist without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_run.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes as on every other system: no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  return voltrak::cli::RunCli(args, stdout, stderr);
}
