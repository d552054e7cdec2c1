#include "launcher/launcher.h"

// Started from a logon script: reads no arguments, shows nothing and always
// ends with 0, whatever happened.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  RunLaunchSequence();
  return 0;
}
