// kovlaunch-dryrun.exe: what kovlaunch.exe would do on this machine, and why.
#include "tools/dryrun/dryrun.h"

int wmain(int argc, wchar_t** argv) {
  return RunDryRunTool(argc, argv, stdout, stderr);
}
