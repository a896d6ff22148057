#include "framework/Resources.h"

namespace {
HINSTANCE g_resourceInstance = nullptr;
}

HINSTANCE ResourceInstance() {
    return g_resourceInstance ? g_resourceInstance : GetModuleHandleA(nullptr);
}

void SetResourceInstance(HINSTANCE instance) {
    g_resourceInstance = instance;
}

std::string LoadStringResource(UINT id, const char* fallback) {
    // A string table entry is at most 4095 characters long.
    char buffer[4096];
    int length = LoadStringA(ResourceInstance(), id, buffer, static_cast<int>(sizeof buffer));
    if (length <= 0)
        return fallback;
    return std::string(buffer, static_cast<size_t>(length));
}
