#include "framework/afx_core.h"

#include <cstring>
#include <vector>

namespace {
std::vector<const CRuntimeClass*>& registry() {
    static std::vector<const CRuntimeClass*> classes;
    return classes;
}
}  // namespace

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base) return true;
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* name) {
    for (const CRuntimeClass* c : registry())
        if (std::strcmp(c->m_lpszClassName, name) == 0) return c;
    return nullptr;
}

CRuntimeClassRegistration::CRuntimeClassRegistration(const CRuntimeClass* cls) { registry().push_back(cls); }

const CRuntimeClass CObject::classCObject = {"CObject", 0xFFFF, nullptr, nullptr};
const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

const CRuntimeClass CDocument::classCDocument = {"CDocument", 0xFFFF, nullptr, &CObject::classCObject};
const CRuntimeClass* CDocument::GetRuntimeClass() const { return &classCDocument; }
