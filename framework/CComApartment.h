#pragma once
// Joins the calling thread to a single-threaded COM apartment for its
// lifetime, as the shell's folder objects need, and leaves it again.

#include <objbase.h>

class CComApartment {
public:
    CComApartment() : m_bInitialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComApartment()
    {
        if (m_bInitialised)
            ::CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    BOOL m_bInitialised;
};
