#pragma once
// A file written under a temporary name beside its target and given the
// target's name only once it is whole: a failure while writing leaves no
// truncated file under the real name, and an existing target as it was.
// The temporary is removed unless Commit gave it the target's name. What is
// written is hashed on the way, so the file's checksum needs no second read.

#include "framework/CFile.h"
#include "framework/CSha256.h"

class CAtomicFile : public CFile {
public:
    // Creates the temporary beside strTarget, open for writing; raises
    // CFileException when it cannot be created.
    explicit CAtomicFile(const CString& strTarget);
    ~CAtomicFile() override;

    void Write(const void* pBuffer, UINT nCount) override;

    // Writes out, closes and renames the temporary over the target; raises
    // CFileException when any step fails (the temporary is then removed).
    // Returns the SHA-256 of the bytes written.
    CSha256::Digest Commit();

private:
    CSha256 m_hash;
    CString m_strTarget;
    CString m_strTemp;
};
