#include "tools/installer/SettingsVetting.h"

#include "activator/ColorCodeGroups.h"
#include "activator/TestDisplayRules.h"
#include "keyhook/CaptureNaming.h"
#include "settings/HotKeyRules.h"
#include "settings/CaptureSettings.h"
#include "settings/HotKeySettings.h"
#include "settings/RegistryKey.h"
#include "settings/RegistryNames.h"
#include "settings/SettingsRules.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

// Why a value is not kept; null when it is.
using CCheck = const char* (*)(const CRegistryKey& key, const std::string& name);

bool IsOnLocalFixedDrive(const std::string& path) {
    if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/'))
        return false;
    const char root[] = {path[0], ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_FIXED;
}

const char* CheckViewMode(const CRegistryKey& key, const std::string& name) {
    std::uint32_t mode = 0;
    return key.ReadNumber(name, mode) && IsCaptureViewMode(static_cast<std::int32_t>(mode))
               ? nullptr
               : "no capture format";
}

const char* CheckLossless(const CRegistryKey& key, const std::string& name) {
    std::uint32_t flag = 0;
    return key.ReadNumber(name, flag) && flag <= 1 ? nullptr : "neither 0 nor 1";
}

const char* CheckCaptureFolder(const CRegistryKey& key, const std::string& name) {
    std::string dir;
    // As the settings dialog checks it, with a name of six characters as the dialog stores it.
    if (!key.ReadString(name, dir) || CaptureFileName(dir, FitCaptureName(""), 0, 0).empty() ||
        !IsOnLocalFixedDrive(dir))
        return "no folder on a local fixed drive";
    return nullptr;
}

const char* CheckCaptureName(const CRegistryKey& key, const std::string& name) {
    std::string text;
    return key.ReadString(name, text) && IsCaptureName(text) ? nullptr : "no name of captures";
}

const char* CheckBitmapFile(const CRegistryKey& key, const std::string& name) {
    std::string path;
    if (!key.ReadString(name, path) || !HasBitmapExtension(path))
        return "no bitmap file on a local fixed drive";
    const std::size_t slash = path.find_last_of("\\/");
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (ClassifyCaptureFolder(folder) != CaptureFolderKind::kFolder || !IsCaptureName(file) ||
        !IsOnLocalFixedDrive(path))
        return "no bitmap file on a local fixed drive";
    return nullptr;
}

const char* CheckGroupCount(const CRegistryKey& key, const std::string& name) {
    std::uint32_t count = 0;
    return key.ReadNumber(name, count) && count >= 1 && count <= kMaxColorCodeGroups
               ? nullptr
               : "not what the colour-code editor stores";
}

const char* CheckGroupIndex(const CRegistryKey& key, const std::string& name) {
    std::uint32_t index = 0;
    return key.ReadNumber(name, index) && index < kMaxColorCodeGroups
               ? nullptr
               : "not what the colour-code editor stores";
}

const char* CheckGroupName(const CRegistryKey& key, const std::string& name) {
    std::string text;
    return key.ReadString(name, text) ? nullptr : "not what the colour-code editor stores";
}

const char* CheckCodeSet(const CRegistryKey& key, const std::string& name) {
    std::vector<std::uint8_t> bytes;
    return key.ReadBinary(name, bytes) && bytes.size() == kStoredCodeSetBytes
               ? nullptr
               : "not what the colour-code editor stores";
}

struct CValueRule {
    const CRegistryName* value;
    CCheck check;
};

// The value as found, for the line that names it.
std::string Shown(HKEY key, const std::string& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "(none)";
    std::vector<char> data(size + 2, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return "(unreadable)";
    std::string shown;
    if (type == REG_DWORD && size == sizeof(std::uint32_t)) {
        std::uint32_t number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return shown.append(std::to_string(number));
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return shown.append("\"")
            .append(data.data(), strnlen(data.data(), std::min<DWORD>(size, 300)))
            .append("\"");
    return shown.append("(")
        .append(std::to_string(size))
        .append(" bytes of type ")
        .append(std::to_string(type))
        .append(")");
}

bool Exists(HKEY key, const std::string& name) {
    return RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

class CVetting {
public:
    CVetting(HKEY productKey, const CKeyGuardReport& report) : m_product(productKey), m_report(report) {}

    // Applies `rules` to the key at `path` below the version key, when that key was open.
    void Vet(const std::string& path, std::initializer_list<CValueRule> rules);
    void VetHotKey(int mode);

    std::vector<std::string> lines;

private:
    bool OpenIfWasOpen(const std::string& path, CRegistryKey& key) const;
    void Replace(const CRegistryKey& key, const std::string& path, const std::string& what, const char* why,
                 std::initializer_list<std::string> names);

    HKEY m_product;
    const CKeyGuardReport& m_report;
};

bool CVetting::OpenIfWasOpen(const std::string& path, CRegistryKey& key) const {
    const std::string full = std::string(kSettingsVersion) + "\\" + path;
    return WasOpen(m_report, std::wstring(full.begin(), full.end())) &&
           key.Open(m_product, full, KEY_READ | KEY_SET_VALUE);
}

void CVetting::Replace(const CRegistryKey& key, const std::string& path, const std::string& what,
                       const char* why, std::initializer_list<std::string> names) {
    for (const std::string& name : names)
        RegDeleteValueA(key, name.c_str());
    lines.push_back("Replaced " + std::string(kSettingsVersion) + "\\" + path + " " + what + " (" + why +
                    ") with Setup's default.");
}

void CVetting::Vet(const std::string& path, std::initializer_list<CValueRule> rules) {
    CRegistryKey key;
    if (!OpenIfWasOpen(path, key))
        return;
    for (const CValueRule& rule : rules) {
        const std::string name = rule.value->Load();
        if (!Exists(key, name))
            continue;
        if (const char* why = rule.check(key, name))
            Replace(key, path, "\"" + name + "\" = " + Shown(key, name), why, {name});
    }
}

// The two values go together: either alone would pair with the other's default.
void CVetting::VetHotKey(int mode) {
    const std::string path = kHotKeyKey.Load() + "\\" + kHotKeySubkeys[mode].Load();
    CRegistryKey key;
    if (!OpenIfWasOpen(path, key))
        return;
    const std::string code = kVirtualKeyCodeValue.Load();
    const std::string modifiers = kModifiersValue.Load();
    if (!Exists(key, code) && !Exists(key, modifiers))
        return;
    std::uint32_t storedCode = kBuiltInHotKeys[mode].virtualKey;
    std::uint32_t storedModifiers = kBuiltInHotKeys[mode].modifiers;
    const bool readable = (!Exists(key, code) || key.ReadNumber(code, storedCode)) &&
                          (!Exists(key, modifiers) || key.ReadNumber(modifiers, storedModifiers));
    const char* why = nullptr;
    if (!readable || !IsHotKeyOfControl(storedCode, storedModifiers))
        why = "no hotkey";
    else if (IsTypingHotKey(
                 {static_cast<std::uint16_t>(storedCode), static_cast<std::uint16_t>(storedModifiers)}))
        why = "a typing key without Ctrl or Alt";
    if (why)
        Replace(key, path,
                "\"" + code + "\" = " + Shown(key, code) + ", \"" + modifiers +
                    "\" = " + Shown(key, modifiers),
                why, {code, modifiers});
}

bool SameFolder(std::string a, std::string b) {
    for (std::string* text : {&a, &b})
        while (!text->empty() && (text->back() == '\\' || text->back() == '/'))
            text->pop_back();
    return !a.empty() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

} // namespace

std::vector<std::string> VetOpenSettings(HKEY productKey, const CKeyGuardReport& report) {
    CVetting vetting(productKey, report);
    vetting.Vet(kCaptureKey.Load(), {{&kViewModeValue, CheckViewMode},
                                     {&kDirName, CheckCaptureFolder},
                                     {&kNameValue, CheckCaptureName},
                                     {&kDefaultDirValue, CheckCaptureFolder},
                                     {&kDefaultNameValue, CheckCaptureName},
                                     {&kLosslessValue, CheckLossless}});
    vetting.Vet(kDirName.Load(), {{&kLeftImageValue, CheckBitmapFile}, {&kRightImageValue, CheckBitmapFile}});
    for (int mode = 0; mode < kHotKeyCount; ++mode)
        vetting.VetHotKey(mode);
    vetting.Vet(kColorCodeKey.Load(),
                {{&kNumberValue, CheckGroupCount}, {&kActiveGroupValue, CheckGroupIndex}});
    for (int slot = 0; slot < kMaxColorCodeGroups; ++slot)
        vetting.Vet(kColorCodeKey.Load() + "\\" + std::to_string(slot),
                    {{&kNameValue, CheckGroupName}, {&kCodeValue, CheckCodeSet}});
    return std::move(vetting.lines);
}

std::vector<std::string> RemovePublicCaptureDefault(HKEY productKey, const std::string& publicPictures) {
    CRegistryKey key;
    std::string dir;
    const std::string name = kDefaultDirValue.Load();
    const std::string path = std::string(kSettingsVersion) + "\\" + kCaptureKey.Load();
    if (publicPictures.empty() || !key.Open(productKey, path, KEY_READ | KEY_SET_VALUE) ||
        !key.ReadString(name, dir) || !SameFolder(dir, publicPictures + "\\" + kCaptureFolderName))
        return {};
    RegDeleteValueA(key, name.c_str());
    return {"Removed " + path + " \"" + name + "\" = \"" + dir +
            "\": captures go to each user's own Pictures folder unless an administrator chooses a folder."};
}
