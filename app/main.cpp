// Tallyvane's GUI entry.
#include "app/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    return TallyvaneMain(instance, showCommand);
}
