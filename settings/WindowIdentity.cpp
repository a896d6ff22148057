#include "settings/WindowIdentity.h"

#include "framework/Handles.h"
#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "settings/SettingsKeys.h"

#include <vector>

namespace {

// The user SID of `token`; empty when it cannot be read.
std::vector<BYTE> UserOfToken(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const auto* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

// The user that this thread acts as: its impersonation token's, else the process's.
std::vector<BYTE> ThisUser() {
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    CKernelHandle owned(token);
    return UserOfToken(owned);
}

std::vector<BYTE> ProcessUser(DWORD processId) {
    CKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    CKernelHandle owned(token);
    return UserOfToken(owned);
}

} // namespace

bool ReadWindowIdentity(CWindowIdentity& identity) {
    const CSettingsKeys keys({kDirName.Load()});
    const bool className = keys.ReadString(kClassNameValue.Load(), identity.className);
    const bool windowName = keys.ReadString(kWindowNameValue.Load(), identity.windowName);
    return className && windowName;
}

bool WriteWindowIdentity(const CWindowIdentity& identity) {
    CRegistryKey key;
    return CreateCurrentVersionKey(key, HKEY_CURRENT_USER) && key.Create(key, kDirName.Load()) &&
           key.WriteString(kClassNameValue.Load(), identity.className) &&
           key.WriteString(kWindowNameValue.Load(), identity.windowName);
}

HWND FindOwnActivatorWindow(const CWindowIdentity& identity) {
    const std::vector<BYTE> user = ThisUser();
    DWORD session = 0;
    if (user.empty() || !ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return nullptr;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, identity.className.c_str(),
                                                        identity.windowName.c_str()));) {
        DWORD processId = 0;
        DWORD windowSession = 0;
        GetWindowThreadProcessId(window, &processId);
        if (ProcessIdToSessionId(processId, &windowSession) && windowSession == session &&
            ProcessUser(processId) == user)
            return window;
    }
    return nullptr;
}
