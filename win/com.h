// COM owners: an interface pointer (ours or the system's) released on scope exit, a task-memory block
// freed with CoTaskMemFree, and one CoInitialize/CoUninitialize pair per scope.
#pragma once

#include <objbase.h>

#include <utility>

namespace win {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) { reset(); m_p = std::exchange(other.m_p, nullptr); }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // Takes over a reference the caller owns (a new object's first one).
    void Attach(T* p) noexcept {
        reset();
        m_p = p;
    }
    // Hands the reference back to the caller.
    T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    // Holds a reference of its own to an object the caller keeps.
    static ComPtr Share(T* p) noexcept {
        ComPtr shared;
        if (p) p->AddRef();
        shared.m_p = p;
        return shared;
    }
    // For CoCreateInstance and QueryInterface.
    void** put_void() noexcept { reset(); return reinterpret_cast<void**>(&m_p); }

    template <typename U>
    HRESULT As(const IID& iid, ComPtr<U>* out) const noexcept {
        return m_p ? m_p->QueryInterface(iid, out->put_void()) : E_POINTER;
    }

private:
    T* m_p = nullptr;
};

template <typename T>
class CoTaskMem {
public:
    CoTaskMem() noexcept = default;
    ~CoTaskMem() { ::CoTaskMemFree(m_p); }
    CoTaskMem(const CoTaskMem&) = delete;
    CoTaskMem& operator=(const CoTaskMem&) = delete;

    T* get() const noexcept { return m_p; }
    T** put() noexcept { ::CoTaskMemFree(std::exchange(m_p, nullptr)); return &m_p; }

private:
    T* m_p = nullptr;
};

// CoInitialize(NULL) for the scope; uninitialises only when it succeeded
// (S_FALSE, already initialised on this thread, still needs the pair).
class ScopedCoInit {
public:
    ScopedCoInit() noexcept : m_hr(::CoInitialize(nullptr)) {}
    ~ScopedCoInit() { if (SUCCEEDED(m_hr)) ::CoUninitialize(); }
    ScopedCoInit(const ScopedCoInit&) = delete;
    ScopedCoInit& operator=(const ScopedCoInit&) = delete;
    bool ok() const noexcept { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

}  // namespace win
