#pragma once
// The activation context of the library's own manifest (resource 2), which binds the page's controls
// to Common Controls 6 in a host process that did not ask for them, and a scope that activates it.

#include <windows.h>

#include <utility>

class CActivationContext {
public:
    CActivationContext() noexcept = default;
    ~CActivationContext() { reset(); }
    CActivationContext(const CActivationContext&) = delete;
    CActivationContext& operator=(const CActivationContext&) = delete;
    CActivationContext(CActivationContext&& other) noexcept
        : m_context(std::exchange(other.m_context, INVALID_HANDLE_VALUE)) {}
    CActivationContext& operator=(CActivationContext&& other) noexcept {
        if (this != &other) {
            reset();
            m_context = std::exchange(other.m_context, INVALID_HANDLE_VALUE);
        }
        return *this;
    }

    // The context of the manifest resource ISOLATIONAWARE_MANIFEST_RESOURCE_ID of `module`; an empty
    // holder when it cannot be created.
    static CActivationContext ForModule(HMODULE module) noexcept;

    HANDLE get() const noexcept { return m_context; }
    explicit operator bool() const noexcept { return m_context != INVALID_HANDLE_VALUE; }
    void reset() noexcept {
        if (m_context != INVALID_HANDLE_VALUE)
            ReleaseActCtx(std::exchange(m_context, INVALID_HANDLE_VALUE));
    }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
};

// Activates a context for the scope's lifetime; does nothing for an empty holder.
class CActivationScope {
public:
    explicit CActivationScope(const CActivationContext& context) noexcept {
        if (context && !ActivateActCtx(context.get(), &m_cookie))
            m_cookie = 0;
    }
    ~CActivationScope() {
        if (m_cookie)
            DeactivateActCtx(0, m_cookie);
    }
    CActivationScope(const CActivationScope&) = delete;
    CActivationScope& operator=(const CActivationScope&) = delete;

private:
    ULONG_PTR m_cookie = 0;
};
