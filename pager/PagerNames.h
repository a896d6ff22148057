#pragma once
// The strings of the page's string table that hold the suite's registry names, for
// UseRegistryNameStrings.

#include "pager/resource.h"
#include "settings/RegistryNames.h"

inline constexpr CRegistryNameStrings kPageNameStrings = [] {
    CRegistryNameStrings ids{};
    ids[kNameMaker] = IDS_PAGE_MAKER;
    ids[kNameProduct] = IDS_PAGE_PRODUCT;
    ids[kNameCurrentVersion] = IDS_PAGE_CURRENT_VERSION;
    ids[kNameDir] = IDS_PAGE_DIR;
    ids[kNameHotKey] = IDS_PAGE_HOTKEY;
    ids[kNameVirtualKeyCode] = IDS_PAGE_VIRTUAL_KEY_CODE;
    ids[kNameModifiers] = IDS_PAGE_MODIFIERS;
    ids[kNamePathName] = IDS_PAGE_PATH_NAME_VALUE;
    ids[kNameWindowName] = IDS_PAGE_WINDOW_NAME_VALUE;
    ids[kNameClassName] = IDS_PAGE_CLASS_NAME_VALUE;
    ids[kNameInterlace] = IDS_PAGE_INTERLACE;
    ids[kNamePageFlip] = IDS_PAGE_PAGE_FLIP;
    ids[kNameSyncDouble] = IDS_PAGE_SYNC_DOUBLE;
    ids[kNameLineBlank] = IDS_PAGE_LINE_BLANK;
    ids[kNameNormal] = IDS_PAGE_NORMAL;
    ids[kNameCapture] = IDS_PAGE_CAPTURE;
    return ids;
}();
