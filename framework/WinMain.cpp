#include "framework/Application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CApplication* application = CApplication::Current();
    return application ? application->Main(instance) : 1;
}
