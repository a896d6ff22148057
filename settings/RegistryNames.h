#pragma once
// The names of the suite's registry keys and values. Each user's settings live under
// HKEY_CURRENT_USER\Software\<maker>\<product>\<Current Version>, and the machine's, every user's
// defaults, under the same names in HKEY_LOCAL_MACHINE (RegistryPath.h).
//
// A deliverable may take the names from its own string table, looked up at each use, with the text
// built in here for a string that cannot be loaded: it says which of its strings hold which name with
// UseRegistryNameStrings. Until then, and in every deliverable that does not (the hook library runs
// inside other programs, whose strings are not ours), the built-in texts are used.

#include <windows.h>

#include <array>
#include <string>

// The names, as indexes of a string table's id list.
enum RegistryNameIndex : unsigned {
    kNameMaker,
    kNameProduct,
    kNameCurrentVersion,
    kNameDir,
    kNameHotKey,
    kNameVirtualKeyCode,
    kNameModifiers,
    kNameClassName,
    kNamePathName,
    kNameWindowName,
    kNameInterlace,
    kNamePageFlip,
    kNameSyncDouble,
    kNameLineBlank,
    kNameNormal,
    kNameCapture,
    kNameColorCode,
    kNameNumber,
    kNameActiveGroup,
    kNameName,
    kNameCode,
    kNameLeftImage,
    kNameRightImage,
    kNameDefaultLeftImage,
    kNameDefaultRightImage,
    kNameViewMode,
    kNameDefaultDir,
    kNameDefaultName,
    kNameControllerMonitor,
    kNameDevice,
    kNameRectangle,
    kNameLossless,
    kNameViewer,
    kNameOutput,
    kNameSlideshowSeconds,
    kRegistryNameCount
};

// The ids of a module's string table that hold the names, by RegistryNameIndex; 0 for a name that the
// table lacks.
using CRegistryNameStrings = std::array<UINT, kRegistryNameCount>;

// From now on, names are looked up by these ids in the resource module (ResourceInstance). `strings`
// must live as long as the module (a static table); null goes back to the built-in texts.
void UseRegistryNameStrings(const CRegistryNameStrings* strings) noexcept;

struct CRegistryName {
    RegistryNameIndex index;
    // The built-in text.
    const char* text;

    // The name from the string table in use, or the built-in text.
    std::string Load() const;
};

inline constexpr CRegistryName kMakerKey{kNameMaker, "Korva Corporation"};
inline constexpr CRegistryName kProductKey{kNameProduct, "Zelto Activator"};
inline constexpr CRegistryName kCurrentVersionValue{kNameCurrentVersion, "Current Version"};
// The version key's subkey with the program's location, and the capture directory's value.
inline constexpr CRegistryName kDirName{kNameDir, "Dir"};
inline constexpr CRegistryName kHotKeyKey{kNameHotKey, "HotKey"};
inline constexpr CRegistryName kVirtualKeyCodeValue{kNameVirtualKeyCode, "Virtual Key Code"};
inline constexpr CRegistryName kModifiersValue{kNameModifiers, "Modifiers"};
inline constexpr CRegistryName kClassNameValue{kNameClassName, "Zelto Activator ClassName"};
inline constexpr CRegistryName kPathNameValue{kNamePathName, "Zelto Activator PathName"};
inline constexpr CRegistryName kWindowNameValue{kNameWindowName, "Zelto Activator WindowName"};
inline constexpr CRegistryName kColorCodeKey{kNameColorCode, "Color Code"};
inline constexpr CRegistryName kNumberValue{kNameNumber, "Number"};
inline constexpr CRegistryName kActiveGroupValue{kNameActiveGroup, "Active Group"};
inline constexpr CRegistryName kNameValue{kNameName, "Name"};
inline constexpr CRegistryName kCodeValue{kNameCode, "Code"};
inline constexpr CRegistryName kLeftImageValue{kNameLeftImage, "Left Image"};
inline constexpr CRegistryName kRightImageValue{kNameRightImage, "Right Image"};
inline constexpr CRegistryName kDefaultLeftImageValue{kNameDefaultLeftImage, "Default Left Image"};
inline constexpr CRegistryName kDefaultRightImageValue{kNameDefaultRightImage, "Default Right Image"};
// The version key's subkey with the capture settings, and the capture hotkey's subkey.
inline constexpr CRegistryName kCaptureKey{kNameCapture, "Capture"};
inline constexpr CRegistryName kViewModeValue{kNameViewMode, "View Mode"};
inline constexpr CRegistryName kDefaultDirValue{kNameDefaultDir, "Default Dir"};
inline constexpr CRegistryName kDefaultNameValue{kNameDefaultName, "Default Name"};
// Whether captures are lossless PNG files rather than JPEG ones (REG_DWORD 0 or 1).
inline constexpr CRegistryName kLosslessValue{kNameLossless, "Lossless"};
// The version key's subkey with the viewer's and the browser's choices (ViewerSettings.h).
inline constexpr CRegistryName kViewerKey{kNameViewer, "Viewer"};
inline constexpr CRegistryName kOutputValue{kNameOutput, "Output"};
inline constexpr CRegistryName kSlideshowSecondsValue{kNameSlideshowSeconds, "Slideshow Seconds"};
// The user's choice of the controller's monitor (ControllerMonitor.h).
inline constexpr CRegistryName kControllerMonitorKey{kNameControllerMonitor, "Controller Monitor"};
inline constexpr CRegistryName kDeviceValue{kNameDevice, "Device"};
inline constexpr CRegistryName kRectangleValue{kNameRectangle, "Rectangle"};

// The hotkey subkeys, in the order Interlace, Page Flip, Sync Double, Line Blank, Normal, Capture.
inline constexpr CRegistryName kHotKeySubkeys[] = {
    {kNameInterlace, "Interlace"},  {kNamePageFlip, "Page Flip"}, {kNameSyncDouble, "Sync Double"},
    {kNameLineBlank, "Line Blank"}, {kNameNormal, "Normal"},      {kNameCapture, "Capture"},
};

// The version subkey that the suite writes, and that readers use when "Current Version" is missing.
inline constexpr const char kSettingsVersion[] = "1.0";
