#pragma once
// The page's registry names: its own string resources, with the same text built in for when a string
// cannot be loaded. The tree is HKEY_LOCAL_MACHINE\Software\<maker>\<product>\<Current Version>.

#include "framework/Resources.h"
#include "pager/resource.h"

inline constexpr CNamedString kPageMakerKey{IDS_PAGE_MAKER, "Korva Corporation"};
inline constexpr CNamedString kPageProductKey{IDS_PAGE_PRODUCT, "Zelto Activator"};
inline constexpr CNamedString kPageCurrentVersionValue{IDS_PAGE_CURRENT_VERSION, "Current Version"};
inline constexpr CNamedString kPageDirKey{IDS_PAGE_DIR, "Dir"};
inline constexpr CNamedString kPageHotKeyKey{IDS_PAGE_HOTKEY, "HotKey"};
inline constexpr CNamedString kPageVirtualKeyCodeValue{IDS_PAGE_VIRTUAL_KEY_CODE, "Virtual Key Code"};
inline constexpr CNamedString kPageModifiersValue{IDS_PAGE_MODIFIERS, "Modifiers"};
inline constexpr CNamedString kPagePathNameValue{IDS_PAGE_PATH_NAME_VALUE, "Zelto Activator PathName"};
inline constexpr CNamedString kPageWindowNameValue{IDS_PAGE_WINDOW_NAME_VALUE, "Zelto Activator WindowName"};
inline constexpr CNamedString kPageClassNameValue{IDS_PAGE_CLASS_NAME_VALUE, "Zelto Activator ClassName"};

// The hotkey subkeys, in the order Interlace, Page Flip, Sync Double, Line Blank, Normal, Capture.
inline constexpr CNamedString kPageHotKeySubkeys[] = {
    {IDS_PAGE_INTERLACE, "Interlace"},     {IDS_PAGE_PAGE_FLIP, "Page Flip"},
    {IDS_PAGE_SYNC_DOUBLE, "Sync Double"}, {IDS_PAGE_LINE_BLANK, "Line Blank"},
    {IDS_PAGE_NORMAL, "Normal"},           {IDS_PAGE_CAPTURE, "Capture"},
};

// The version key that the page writes under, and reads when "Current Version" is missing.
inline constexpr const char kPageSettingsVersion[] = "1.0";
