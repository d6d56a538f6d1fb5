// The framework's object and document base: run-time class information, creation by class name,
// the document's modified flag. Free of any window system, so the command line links it too.
#pragma once

#include <memory>
#include <string>

using BOOL = int;
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
using UINT = unsigned int;
using CString = std::string;  // 8-bit text; UTF-8 on this platform

class CObject;

// What DECLARE_DYNCREATE gives a class: its name, its schema number and a factory.
struct CRuntimeClass {
    const char* m_lpszClassName;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    // The registered class of that name, or null.
    static const CRuntimeClass* FromName(const char* name);
};

// Registers a run-time class at static initialisation so that FromName can find it.
struct CRuntimeClassRegistration {
    explicit CRuntimeClassRegistration(const CRuntimeClass* cls);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNCREATE(name)                            \
public:                                                    \
    static const CRuntimeClass class##name;                \
    const CRuntimeClass* GetRuntimeClass() const override; \
    static CObject* CreateObject();

#define IMPLEMENT_SERIAL(name, base, schema)                                                           \
    CObject* name::CreateObject() { return new name; }                                                 \
    const CRuntimeClass name::class##name = {#name, schema, &name::CreateObject, RUNTIME_CLASS(base)}; \
    const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }                 \
    static const CRuntimeClassRegistration s_registration_##name(RUNTIME_CLASS(name));

#define IMPLEMENT_DYNCREATE(name, base) IMPLEMENT_SERIAL(name, base, 0xFFFF)

// The document base: a modified flag and the two slots a document overrides.
class CDocument : public CObject {
public:
    static const CRuntimeClass classCDocument;
    const CRuntimeClass* GetRuntimeClass() const override;

    virtual BOOL OnNewDocument() {
        SetModifiedFlag(FALSE);
        return TRUE;
    }
    virtual BOOL OnOpenDocument(const char* /*path*/) {
        SetModifiedFlag(FALSE);
        return TRUE;
    }
    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

private:
    BOOL m_bModified = FALSE;
};
