#pragma once
// SHA-256 from the system's own cryptography (CNG), never computed here: the
// digests a backup records must be the ones any other tool computes.
// One object hashes one stream of bytes; it belongs to one thread at a time.
// Different objects may be used on different threads at once.
//
// CNG reports a failure only when it runs out of memory or the system lacks
// the algorithm; the first raises CMemoryException, the second
// CNotSupportedException. Neither has anything to do with the files being
// hashed, so neither is a CFileException.

#include "framework/CString.h"
#include "framework/Exceptions.h"

#include <windows.h>

#include <array>

class CSha256 {
public:
    static constexpr size_t kDigestBytes = 32;
    using Digest = std::array<BYTE, kDigestBytes>;

    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    void Update(const void* pData, size_t nBytes);
    // The digest of everything given to Update; the object is spent afterwards.
    Digest Finish();

    // The digest of one block of memory.
    static Digest Of(const void* pData, size_t nBytes);
    // The digest as 64 lower-case hex digits, as checksum files carry it.
    static CString ToHex(const Digest& digest);

private:
    void* m_hHash = nullptr; // BCRYPT_HASH_HANDLE, kept out of this header
    bool m_bFinished = false;
};
