#include "tests/win/PagerTestSupport.h"

#include "tests/support/WineTestSupport.h"

#include <set>

namespace testing_support {

const CPagerLibrary& CPagerLibrary::Get() {
    // Kept loaded for the whole program: pages of a test may outlive its objects.
    static const CPagerLibrary library = Load(PathBesideTest("ZeltoPager.dll"));
    return library;
}

CPagerLibrary CPagerLibrary::Load(const std::string& path) {
    CPagerLibrary loaded;
    loaded.module = LoadLibraryA(path.c_str());
    if (loaded.module) {
        auto find = [&](const char* name) {
            return reinterpret_cast<void (*)()>(GetProcAddress(loaded.module, name));
        };
        loaded.getClassObject = reinterpret_cast<decltype(loaded.getClassObject)>(find("DllGetClassObject"));
        loaded.canUnloadNow = reinterpret_cast<decltype(loaded.canUnloadNow)>(find("DllCanUnloadNow"));
        loaded.registerServer = reinterpret_cast<decltype(loaded.registerServer)>(find("DllRegisterServer"));
        loaded.unregisterServer =
            reinterpret_cast<decltype(loaded.unregisterServer)>(find("DllUnregisterServer"));
    }
    return loaded;
}

IShellPropSheetExt* CPagerLibrary::CreateExtension() const {
    if (!getClassObject)
        return nullptr;
    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(kPagerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IShellPropSheetExt* extension = nullptr;
    factory->CreateInstance(nullptr, IID_IShellPropSheetExt, reinterpret_cast<void**>(&extension));
    factory->Release();
    return extension;
}

BOOL CALLBACK CCollectedPages::Add(HPROPSHEETPAGE page, LPARAM self) {
    auto* collected = reinterpret_cast<CCollectedPages*>(self);
    if (collected->accept)
        collected->pages.push_back(page);
    return collected->accept;
}

CPageSheet::~CPageSheet() {
    Close();
}

bool CPageSheet::Open(const CPagerLibrary& library) {
    IShellPropSheetExt* extension = library.CreateExtension();
    if (!extension)
        return false;
    CCollectedPages collected;
    extension->AddPages(&CCollectedPages::Add, reinterpret_cast<LPARAM>(&collected));
    if (collected.pages.empty()) {
        extension->Release();
        return false;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = "Test Properties";
    header.nPages = static_cast<UINT>(collected.pages.size());
    header.phpage = collected.pages.data();
    m_sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    extension->Release();
    Pump();
    return m_sheet != nullptr && Page() != nullptr;
}

HWND CPageSheet::Page() const {
    return m_sheet ? reinterpret_cast<HWND>(SendMessageA(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

bool CPageSheet::ApplyEnabled() const {
    // The sheet's Apply button.
    HWND apply = GetDlgItem(m_sheet, 0x3021);
    return apply && IsWindowEnabled(apply);
}

void CPageSheet::Press(int button) {
    SendMessageA(m_sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    Pump();
}

void CPageSheet::Type(int controlId, const std::vector<WORD>& keys) {
    SetForegroundWindow(m_sheet);
    SetFocus(PageItem(controlId));
    Pump();
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        inputs.push_back(input);
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(*key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    // Input arrives asynchronously: run the messages for a while.
    ULONGLONG until = GetTickCount64() + 300;
    while (GetTickCount64() < until) {
        Pump();
        Sleep(10);
    }
}

void CPageSheet::Pump() const {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (m_sheet && IsWindow(m_sheet) &&
            SendMessageA(m_sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message)))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void CPageSheet::Close() {
    if (m_sheet && IsWindow(m_sheet))
        DestroyWindow(m_sheet);
    m_sheet = nullptr;
    Pump();
}

CStandInActivator::CStandInActivator() {
    static bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &CStandInActivator::WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassA(&windowClass) != 0;
    }();
    (void)registered;
    m_window = CreateWindowExA(0, kClassName, kTitle, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
}

CStandInActivator::~CStandInActivator() {
    m_destroying = true;
    if (m_window)
        DestroyWindow(m_window);
}

void CStandInActivator::RecordIdentity(const std::string& version) {
    const std::string dir = std::string(kProductKeyPath) + "\\" + version + "\\Dir";
    WriteRegistryString(kProductKeyPath, "Current Version", version);
    WriteRegistryString(dir, "Zelto Activator ClassName", kClassName);
    WriteRegistryString(dir, "Zelto Activator WindowName", kTitle);
}

LRESULT CALLBACK CStandInActivator::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<CStandInActivator*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && !self->m_destroying && (message >= WM_USER || message == WM_DESTROY)) {
        self->m_received.push_back(message);
        // A posted WM_DESTROY is only counted: the window goes when the stand-in object does.
        if (message == WM_DESTROY)
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

CMessageBoxWatcher::CMessageBoxWatcher(DWORD threadId) : m_threadId(threadId) {
    m_thread = std::thread([this] { Watch(); });
}

CMessageBoxWatcher::~CMessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<CMessageBoxWatcher::CBox> CMessageBoxWatcher::Boxes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

namespace {
struct CBoxSearch {
    DWORD threadId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBoxes(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<CBoxSearch*>(lParam);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    // A message box is a dialog with the static text 0xFFFF; a property sheet has a tab control.
    if (GetWindowThreadProcessId(window, nullptr) == search->threadId && std::string(className) == "#32770" &&
        IsWindowVisible(window) && GetDlgItem(window, 0xFFFF) && !GetDlgItem(window, 0x3020))
        search->found.push_back(window);
    return TRUE;
}
} // namespace

void CMessageBoxWatcher::Watch() {
    std::set<HWND> closed;
    while (!m_stop) {
        CBoxSearch search{m_threadId, {}};
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            if (closed.count(box))
                continue;
            CBox seen;
            char text[1024] = {};
            DWORD_PTR length = 0;
            SendMessageTimeoutA(box, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                                2000, &length);
            seen.caption.assign(text, length);
            seen.text = ControlText(box, 0xFFFF);
            seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
            seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_boxes.push_back(seen);
            }
            closed.insert(box);
            PostMessageA(box, WM_COMMAND, seen.hasOk ? IDOK : IDCANCEL, 0);
        }
        Sleep(20);
    }
}

std::string ClassesValue(const std::string& key, const char* name) {
    char value[1024];
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return value;
}

bool ClassesKeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::string ProgramOfWindow(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return {};
    char path[MAX_PATH];
    DWORD size = MAX_PATH;
    std::string program;
    if (QueryFullProcessImageNameA(process, 0, path, &size))
        program.assign(path, size);
    CloseHandle(process);
    return program;
}

void EndRunningActivator() {
    HWND window = FindWindowA("#32770", "Zelto Activator");
    if (!window)
        return;
    // The main window's "Exit" command.
    PostMessageA(window, WM_COMMAND, 32774, 0);
    WaitUntil([&] { return !IsWindow(window); }, 10000);
}

} // namespace testing_support
