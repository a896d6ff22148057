#include "viewer/ViewerApp.h"

// The viewer's one application object.
static CViewerApp theApp;
