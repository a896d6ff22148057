// Resource identifiers of the viewer (ZeltoViewer.exe).
#pragma once

#define IDR_MAINFRAME 128
// The viewer's window: the captured-image browser on an empty pop-up template.
#define IDD_ZELTOVIEWER_DIALOG 102
