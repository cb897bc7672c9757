#pragma once

#include <string_view>

class CObject;

// Run-time class information of the model classes. Project streams name the
// class of every tagged object, and a reader checks that a class read from the
// stream derives from the class the field expects.
struct CRuntimeClass {
    const char* m_className;
    const CRuntimeClass* m_baseClass;
    // Creates an empty object of the class; null for abstract classes and for
    // classes that streams never tag.
    CObject* (*m_createObject)();

    [[nodiscard]] bool IsDerivedFrom(const CRuntimeClass* base) const;
    [[nodiscard]] CObject* CreateObject() const { return m_createObject ? m_createObject() : nullptr; }
};

// The root of every model class.
class CObject {
public:
    static const CRuntimeClass kRuntimeClass;

    virtual ~CObject() = default;
    [[nodiscard]] virtual const CRuntimeClass* GetRuntimeClass() const { return &kRuntimeClass; }
    [[nodiscard]] bool IsKindOf(const CRuntimeClass* cls) const {
        return GetRuntimeClass()->IsDerivedFrom(cls);
    }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
