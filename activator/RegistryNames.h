#pragma once
// The Activator's registry names: string resources looked up at each use, with the same text built in
// for when the lookup fails. All settings live under
// HKEY_LOCAL_MACHINE\Software\<maker>\<product>\<Current Version>.

#include "activator/resource.h"
#include "framework/Resources.h"

inline constexpr CNamedString kMakerKey{IDS_MAKER, "Korva Corporation"};
inline constexpr CNamedString kProductKey{IDS_PRODUCT, "Zelto Activator"};
inline constexpr CNamedString kCurrentVersionValue{IDS_CURRENT_VERSION, "Current Version"};
inline constexpr CNamedString kDirName{IDS_DIR, "Dir"};
inline constexpr CNamedString kHotKeyKey{IDS_HOTKEY, "HotKey"};
inline constexpr CNamedString kVirtualKeyCodeValue{IDS_VIRTUAL_KEY_CODE, "Virtual Key Code"};
inline constexpr CNamedString kModifiersValue{IDS_MODIFIERS, "Modifiers"};
inline constexpr CNamedString kWindowTitle{IDS_WINDOW_TITLE, "Zelto Activator"};
inline constexpr CNamedString kClassNameValue{IDS_CLASS_NAME_VALUE, "Zelto Activator ClassName"};
inline constexpr CNamedString kPathNameValue{IDS_PATH_NAME_VALUE, "Zelto Activator PathName"};
inline constexpr CNamedString kWindowNameValue{IDS_WINDOW_NAME_VALUE, "Zelto Activator WindowName"};
inline constexpr CNamedString kColorCodeKey{IDS_COLOR_CODE, "Color Code"};
inline constexpr CNamedString kNumberValue{IDS_NUMBER, "Number"};
inline constexpr CNamedString kActiveGroupValue{IDS_ACTIVE_GROUP, "Active Group"};
inline constexpr CNamedString kNameValue{IDS_NAME, "Name"};
inline constexpr CNamedString kCodeValue{IDS_CODE, "Code"};
inline constexpr CNamedString kLeftImageValue{IDS_LEFT_IMAGE, "Left Image"};
inline constexpr CNamedString kRightImageValue{IDS_RIGHT_IMAGE, "Right Image"};
inline constexpr CNamedString kDefaultLeftImageValue{IDS_DEFAULT_LEFT_IMAGE, "Default Left Image"};
inline constexpr CNamedString kDefaultRightImageValue{IDS_DEFAULT_RIGHT_IMAGE, "Default Right Image"};
inline constexpr CNamedString kCaptureKey{IDS_CAPTURE, "Capture"};
inline constexpr CNamedString kViewModeValue{IDS_VIEW_MODE, "View Mode"};
inline constexpr CNamedString kDefaultDirValue{IDS_DEFAULT_DIR, "Default Dir"};
inline constexpr CNamedString kDefaultNameValue{IDS_DEFAULT_NAME, "Default Name"};

// The hotkey subkeys, in the order Interlace, Page Flip, Sync Double, Line Blank, Normal, Capture.
inline constexpr CNamedString kHotKeySubkeys[] = {
    {IDS_INTERLACE, "Interlace"},   {IDS_PAGE_FLIP, "Page Flip"}, {IDS_SYNC_DOUBLE, "Sync Double"},
    {IDS_LINE_BLANK, "Line Blank"}, {IDS_NORMAL, "Normal"},       {IDS_CAPTURE, "Capture"},
};

// The version subkey that the Activator writes, and that readers use when "Current Version" is missing.
inline constexpr const char kSettingsVersion[] = "1.0";
