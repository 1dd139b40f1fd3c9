#pragma once
// The registry location of one of the installation's products.

#include "framework/CString.h"

class CTessaroRegistry {
public:
    virtual ~CTessaroRegistry() = default;

    // The product's key path below HKEY_LOCAL_MACHINE (or HKEY_CURRENT_USER),
    // ending in a backslash so that a subkey name can be appended directly.
    CString GetRegistryRoot() const { return m_strRoot; }

protected:
    explicit CTessaroRegistry(const wchar_t* pszRoot) : m_strRoot(pszRoot) {}

private:
    CString m_strRoot;
};
