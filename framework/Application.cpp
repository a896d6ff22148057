#include "framework/Application.h"

namespace {
CApplication* g_application = nullptr;
}

CApplication::CApplication() noexcept {
    g_application = this;
}

CApplication::~CApplication() {
    if (g_application == this)
        g_application = nullptr;
}

CApplication* CApplication::Current() noexcept {
    return g_application;
}

BOOL CApplication::InitInstance() {
    return TRUE;
}

int CApplication::ExitInstance() {
    return m_quitCode;
}

void CApplication::Run() {
    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            m_quitCode = static_cast<int>(message.wParam);
            return;
        }
        if (got == -1)
            return;
        if (m_pMainWnd && m_pMainWnd->GetSafeHwnd() && m_pMainWnd->PreTranslateMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int CApplication::Main(HINSTANCE instance) {
    m_hInstance = instance;
    try {
        if (InitInstance())
            Run();
        return ExitInstance();
    } catch (...) {
        return 1;
    }
}

std::string CApplication::Title() const {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "Application";
    std::string name(path, length);
    name.erase(0, name.find_last_of("\\/") + 1);
    if (auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

int AppMessageBox(HWND owner, const std::string& text, UINT type) {
    std::string title = CApplication::Current() ? CApplication::Current()->Title() : std::string();
    return MessageBoxA(owner, text.c_str(), title.empty() ? nullptr : title.c_str(), type);
}

int AppMessageBox(HWND owner, const std::wstring& text, UINT type) {
    const std::string title = CApplication::Current() ? CApplication::Current()->Title() : std::string();
    std::wstring wideTitle(title.size(), L'\0');
    wideTitle.resize(
        static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, title.data(), static_cast<int>(title.size()),
                                                     wideTitle.data(), static_cast<int>(wideTitle.size()))));
    return MessageBoxW(owner, text.c_str(), wideTitle.empty() ? nullptr : wideTitle.c_str(), type);
}
