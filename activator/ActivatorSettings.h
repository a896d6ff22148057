#pragma once
// The settings that the Activator loads from the registry: the capture settings (view mode,
// directory, name and their defaults) and the six hotkeys, with their built-in defaults.

#include "settings/CaptureSettings.h"
#include "settings/HotKeySettings.h"

struct CActivatorSettings : CCaptureSettings {
    CHotKeys hotKeys = kBuiltInHotKeys;
};
