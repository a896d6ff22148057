#pragma once
// The hook library's application object, one per process that maps the library. Its start-up and exit
// run from DllMain, under the loader lock: they only record this module and check, without loading
// anything, that the JPEG codec can serve the capture.

#include "framework/Application.h"

class CKeyHookApp : public CApplication {
public:
    // False refuses the library to the process: the codec cannot serve the capture there.
    BOOL InitInstance() override;
    int ExitInstance() override;
};
