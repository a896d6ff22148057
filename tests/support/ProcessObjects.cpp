#include "tests/support/ProcessObjects.h"

#include <winternl.h>

namespace testing_support {

int CountGdiObjects() {
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(count);
    // The PEB's GdiSharedHandleTable: 24-byte entries of which the byte at offset 14 is the object
    // type, 0 for a free entry. Under Wine the table belongs to this process alone.
    const PEB* peb = NtCurrentTeb()->ProcessEnvironmentBlock;
    const auto* table =
        *reinterpret_cast<const unsigned char* const*>(reinterpret_cast<const char*>(peb) + 0xF8);
    if (!table)
        return -1;
    int count = 0;
    for (int entry = 0; entry < 65536; ++entry)
        count += table[entry * 24 + 14] != 0;
    return count;
}

DWORD CountKernelHandles() {
    // Wine's GetProcessHandleCount answers 0, so each handle value in use is asked for: handle values
    // are multiples of 4, handed out from the bottom.
    DWORD count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

} // namespace testing_support
