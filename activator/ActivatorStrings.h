#pragma once
// The Activator's window title, and the strings of its string table that hold the suite's registry
// names.

#include "activator/resource.h"
#include "framework/Resources.h"
#include "settings/RegistryNames.h"
#include "settings/WindowIdentity.h"

// The main window's title and the tray icon's tip.
inline constexpr CNamedString kWindowTitle{IDS_WINDOW_TITLE, kActivatorWindowTitle};

// The ids of the registry names in the Activator's string table, for UseRegistryNameStrings.
inline constexpr CRegistryNameStrings kActivatorNameStrings = [] {
    CRegistryNameStrings ids{};
    ids[kNameMaker] = IDS_MAKER;
    ids[kNameProduct] = IDS_PRODUCT;
    ids[kNameCurrentVersion] = IDS_CURRENT_VERSION;
    ids[kNameDir] = IDS_DIR;
    ids[kNameHotKey] = IDS_HOTKEY;
    ids[kNameVirtualKeyCode] = IDS_VIRTUAL_KEY_CODE;
    ids[kNameModifiers] = IDS_MODIFIERS;
    ids[kNameClassName] = IDS_CLASS_NAME_VALUE;
    ids[kNamePathName] = IDS_PATH_NAME_VALUE;
    ids[kNameWindowName] = IDS_WINDOW_NAME_VALUE;
    ids[kNameInterlace] = IDS_INTERLACE;
    ids[kNamePageFlip] = IDS_PAGE_FLIP;
    ids[kNameSyncDouble] = IDS_SYNC_DOUBLE;
    ids[kNameLineBlank] = IDS_LINE_BLANK;
    ids[kNameNormal] = IDS_NORMAL;
    ids[kNameCapture] = IDS_CAPTURE;
    ids[kNameColorCode] = IDS_COLOR_CODE;
    ids[kNameNumber] = IDS_NUMBER;
    ids[kNameActiveGroup] = IDS_ACTIVE_GROUP;
    ids[kNameName] = IDS_NAME;
    ids[kNameCode] = IDS_CODE;
    ids[kNameLeftImage] = IDS_LEFT_IMAGE;
    ids[kNameRightImage] = IDS_RIGHT_IMAGE;
    ids[kNameDefaultLeftImage] = IDS_DEFAULT_LEFT_IMAGE;
    ids[kNameDefaultRightImage] = IDS_DEFAULT_RIGHT_IMAGE;
    ids[kNameViewMode] = IDS_VIEW_MODE;
    ids[kNameDefaultDir] = IDS_DEFAULT_DIR;
    ids[kNameDefaultName] = IDS_DEFAULT_NAME;
    return ids;
}();
