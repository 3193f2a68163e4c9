// TarnwickPro.exe: the manager program.
#include "app/ardentis_app.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR command_line, int show) {
  tw::ui::CArdentisApp app;
  return app.Run(inst, command_line, show);
}
