#include "framework/CAtomicFile.h"

namespace {

CString DirectoryOf(const CString& path)
{
    const int slash = path.ReverseFind(L'\\');
    return slash < 0 ? CString(L".") : path.Left(slash);
}

} // namespace

CAtomicFile::CAtomicFile(const CString& strTarget) : m_strTarget(strTarget)
{
    wchar_t temp[MAX_PATH];
    if (!::GetTempFileNameW(DirectoryOf(strTarget), L"orv", 0, temp))
        AfxThrowOsFileException(static_cast<LONG>(::GetLastError()), strTarget);
    m_strTemp = temp;
    CFileException error;
    if (!Open(m_strTemp, modeCreate | modeWrite, &error)) {
        ::DeleteFileW(m_strTemp);
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
    }
}

CAtomicFile::~CAtomicFile()
{
    if (m_strTemp.IsEmpty())
        return;
    Abort();
    ::DeleteFileW(m_strTemp);
}

void CAtomicFile::Write(const void* pBuffer, UINT nCount)
{
    CFile::Write(pBuffer, nCount);
    m_hash.Update(pBuffer, nCount);
}

CSha256::Digest CAtomicFile::Commit()
{
    Flush();
    Close();
    if (!::MoveFileExW(m_strTemp, m_strTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        AfxThrowOsFileException(static_cast<LONG>(::GetLastError()), m_strTarget);
    m_strTemp.Empty();
    return m_hash.Finish();
}
