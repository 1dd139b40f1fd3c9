#include "framework/CSha256.h"

#include <bcrypt.h>

#include <limits>

namespace {

[[noreturn]] void ThrowCngFailure(NTSTATUS status)
{
    if (status == static_cast<NTSTATUS>(0xC0000017L)) // STATUS_NO_MEMORY
        AfxThrowMemoryException();
    AfxThrowNotSupportedException();
}

void Check(NTSTATUS status)
{
    if (!BCRYPT_SUCCESS(status))
        ThrowCngFailure(status);
}

// The SHA-256 provider, opened on first use and shared by every hash of the
// process: opening a provider is expensive, and CNG lets threads share one.
class CSha256Provider {
public:
    CSha256Provider() { Check(BCryptOpenAlgorithmProvider(&m_hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)); }
    ~CSha256Provider() { BCryptCloseAlgorithmProvider(m_hAlgorithm, 0); }
    CSha256Provider(const CSha256Provider&) = delete;
    CSha256Provider& operator=(const CSha256Provider&) = delete;

    BCRYPT_ALG_HANDLE Get() const { return m_hAlgorithm; }

    static const CSha256Provider& Instance()
    {
        // Initialised once even when threads race here; a failed opening is
        // tried again by the next caller.
        static const CSha256Provider provider;
        return provider;
    }

private:
    BCRYPT_ALG_HANDLE m_hAlgorithm = nullptr;
};

} // namespace

CSha256::CSha256()
{
    // No buffer for the hash object: CNG keeps it itself (from Windows 7 on).
    BCRYPT_HASH_HANDLE hHash = nullptr;
    Check(BCryptCreateHash(CSha256Provider::Instance().Get(), &hHash, nullptr, 0, nullptr, 0, 0));
    m_hHash = hHash;
}

CSha256::~CSha256()
{
    BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(m_hHash));
}

void CSha256::Update(const void* pData, size_t nBytes)
{
    if (m_bFinished)
        AfxThrowInvalidArgException();
    // CNG takes a ULONG count, so a larger block goes in several calls.
    auto* p = static_cast<const BYTE*>(pData);
    while (nBytes > 0) {
        const ULONG n = nBytes > std::numeric_limits<ULONG>::max() ? std::numeric_limits<ULONG>::max()
                                                                   : static_cast<ULONG>(nBytes);
        Check(BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(m_hHash), const_cast<BYTE*>(p), n, 0));
        p += n;
        nBytes -= n;
    }
}

CSha256::Digest CSha256::Finish()
{
    if (m_bFinished)
        AfxThrowInvalidArgException();
    Digest digest;
    Check(BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(m_hHash), digest.data(), kDigestBytes, 0));
    m_bFinished = true;
    return digest;
}

CSha256::Digest CSha256::Of(const void* pData, size_t nBytes)
{
    CSha256 hash;
    hash.Update(pData, nBytes);
    return hash.Finish();
}

CString CSha256::ToHex(const Digest& digest)
{
    static const wchar_t kHex[] = L"0123456789abcdef";
    CString hex;
    for (BYTE b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}
