#include <windows.h>

#include "app/startup_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return myr::app::runLauncher(instance, showCommand);
}
