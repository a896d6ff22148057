#pragma once
// The viewer's application object: the whole program is one modal run of the viewer's window.

#include "framework/Application.h"

class CViewerApp : public CApplication {
public:
    // Runs the viewer's window until it closes, or tells in a message box why it cannot open (the
    // program's exit code is 1 then), and returns false, which ends the program without a message loop
    // of its own. The command line's first argument, when there is one, is the picture file or folder
    // to open instead of the stored capture series; further arguments are not examined.
    BOOL InitInstance() override;
    // The exit code; a picture still decoding for the window that has gone is not waited for.
    int ExitInstance() override;
};
