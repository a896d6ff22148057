#include "framework/Application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Libraries that load later come from the program's own folder and the system's, never from the
    // current directory (the folder of a picture opened from Explorer, perhaps on a share) or PATH.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    CApplication* application = CApplication::Current();
    return application ? application->Main(instance) : 1;
}
