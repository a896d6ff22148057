#include "activator/ActivatorApp.h"

// The Activator's one application object.
static CActivatorApp theApp;
