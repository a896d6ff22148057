#include "settings/RegistryNames.h"

#include "framework/Resources.h"

namespace {
// Set once by the deliverable's start-up, before any name is used.
const CRegistryNameStrings* g_strings = nullptr;
} // namespace

void UseRegistryNameStrings(const CRegistryNameStrings* strings) noexcept {
    g_strings = strings;
}

std::string CRegistryName::Load() const {
    const UINT id = g_strings ? (*g_strings)[index] : 0;
    return id ? LoadStringResource(id, text) : std::string(text);
}
