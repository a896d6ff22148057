#pragma once
// What the library's COM objects share: a reference count that starts at 1 and destroys the object at
// 0, and a place in the library's object count for as long as the object lives.

#include "pager/PagerApp.h"

#include <new>

class CPagerObject {
public:
    CPagerObject(const CPagerObject&) = delete;
    CPagerObject& operator=(const CPagerObject&) = delete;

protected:
    CPagerObject() noexcept { IncrementObjectCount(); }
    virtual ~CPagerObject() { DecrementObjectCount(); }

    ULONG AddReference() noexcept { return ++m_references; }
    // Destroys the object at 0 (through the virtual destructor); the object is not touched after that.
    ULONG ReleaseReference() noexcept;

private:
    // Plain: every call arrives on the apartment thread that created the object.
    ULONG m_references = 1;
};

// Creates a T with its one reference, asks it for `riid` into `object` (which the query sets, null on
// failure) and drops the creation's reference, so that a failed query destroys the new object at once.
// E_OUTOFMEMORY when the object cannot be allocated.
template <typename T> HRESULT QueryNewObject(REFIID riid, void** object) noexcept {
    auto* created = new (std::nothrow) T;
    if (!created)
        return E_OUTOFMEMORY;
    HRESULT result = created->QueryInterface(riid, object);
    created->Release();
    return result;
}
