#pragma once

#include <memory>
#include <utility>

// An owning pointer that copies by cloning: copying the owner copies the
// pointee through its virtual Clone(), so classes holding polymorphic parts can
// keep their default copy constructor. T may be incomplete where CClonePtr is
// declared; it must be complete where the owner is copied or destroyed.
template <class T>
class CClonePtr {
public:
    CClonePtr() = default;
    CClonePtr(std::unique_ptr<T> p) : m_p(std::move(p)) {}
    CClonePtr(const CClonePtr& other) { *this = other; }
    CClonePtr(CClonePtr&&) noexcept = default;
    CClonePtr& operator=(CClonePtr&&) noexcept = default;
    CClonePtr& operator=(const CClonePtr& other) {
        if (this != &other) {
            // Clone() of a T returns an object of T's dynamic type, perhaps
            // through a base-class pointer.
            auto copy = other.m_p ? other.m_p->Clone() : nullptr;
            m_p.reset(static_cast<T*>(copy.release()));
        }
        return *this;
    }
    ~CClonePtr() = default;

    [[nodiscard]] T* get() const { return m_p.get(); }
    T* operator->() const { return m_p.get(); }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return bool(m_p); }
    void reset(std::unique_ptr<T> p = nullptr) { m_p = std::move(p); }
    [[nodiscard]] std::unique_ptr<T> release() { return std::move(m_p); }

private:
    std::unique_ptr<T> m_p;
};
