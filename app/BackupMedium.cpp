#include "app/BackupMedium.h"

#include "app/Backup.h"
#include "app/Globals.h"
#include "app/RunReport.h"
#include "framework/CHandle.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"

#include <vector>

namespace {

// Far more than the few keys a Backup.ini holds; a larger file is not ours.
const DWORD kMaxIniBytes = 64 * 1024;

// The reserve grows in steps of this many bytes, written, not just claimed:
// a file system may hand out the room of a file only when it is written.
const DWORD kReserveStep = 64 * 1024;

// What the reports of a medium take beside its checksums: its own part and,
// on the last medium, the whole run's.
const ULONGLONG kReportRoom = 2 * kReserveStep;

CString NewRunId()
{
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    CString id;
    id.Format(L"%08lX%08lX-%lX", now.dwHighDateTime, now.dwLowDateTime, ::GetCurrentProcessId());
    return id;
}

void WriteKey(const wchar_t* pszKey, const CString& strValue, const CString& strIni)
{
    ::WritePrivateProfileStringW(kBackupIniSection, pszKey, strValue, strIni);
}

CString Decimal(int n)
{
    CString text;
    text.Format(L"%d", n);
    return text;
}

// The file's text: UTF-16 with a byte-order mark as the profile functions
// write into such a file, otherwise single bytes, of which only the ASCII
// keys and digits matter.
CString DecodeIni(const std::vector<char>& bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return CString(reinterpret_cast<const wchar_t*>(bytes.data() + 2), static_cast<int>((bytes.size() - 2) / 2));
    CString text;
    for (char ch : bytes)
        text += static_cast<wchar_t>(static_cast<unsigned char>(ch));
    return text;
}

int ToInt(const CString& strValue)
{
    return static_cast<int>(wcstol(strValue, nullptr, 10));
}

} // namespace

bool SBackupIniState::operator==(const SBackupIniState& other) const
{
    return nComplete == other.nComplete && nDisk == other.nDisk && bCancelled == other.bCancelled &&
           nFailedFiles == other.nFailedFiles && nVerifyFailures == other.nVerifyFailures &&
           strRunId == other.strRunId;
}

CBackupMedium::CBackupMedium(const CString& strBackupDir)
    : m_strBackupDir(strBackupDir), m_strIni(CDirectory::Concat(strBackupDir, kBackupIniName)),
      m_strPrefix(CDirectory::Concat(GetFullPath(strBackupDir), CString())), m_strRunId(NewRunId())
{
}

BOOL CBackupMedium::Start(int nDisk)
{
    m_nDisk = nDisk;
    m_checksums.Clear();
    if (!CDirectory::Make(GetFullPath(m_strBackupDir)))
        return FALSE;
    SBackupIniState state;
    state.nDisk = nDisk;
    if (!Write(state))
        return FALSE;
    return OpenReserve(kReportRoom + kReserveStep);
}

BOOL CBackupMedium::KeepRoomFor(const CString& strPath)
{
    const ULONGLONG nNeeded = m_checksums.GetBytes() + ChecksumLineBytes(RelativePath(strPath)) + kReportRoom;
    if (nNeeded <= m_nReserved)
        return TRUE;
    return Reserve((nNeeded / kReserveStep + 1) * kReserveStep);
}

void CBackupMedium::AddWritten(const CString& strPath, const CSha256::Digest& digest)
{
    const CString strRelative = RelativePath(strPath);
    if (!strRelative.IsEmpty())
        m_checksums.Add(strRelative, digest);
}

BOOL CBackupMedium::Close(SBackupIniState state, CRunReport& report, BOOL bLast)
{
    state.nDisk = m_nDisk;
    // The reserve's room goes to the bookkeeping, written before anything
    // else can take it.
    ReleaseReserve();
    try {
        m_checksums.Write(m_strBackupDir);
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
    // What is left once the files and their checksums are on it; the report
    // and Backup.ini that follow take a few kilobytes of the reserve's room.
    report.EndMedium(GetFreeDiskSpace(m_strBackupDir));
    report.WriteMedium(m_nDisk, CDirectory::Concat(m_strBackupDir, MediumReportFileName(m_nDisk)));
    if (!Write(state))
        return FALSE;
    if (bLast)
        OpenReserve(kReportRoom);
    return TRUE;
}

DWORD CBackupMedium::WriteRunReport(const CRunReport& report)
{
    ReleaseReserve();
    return report.Write(CDirectory::Concat(m_strBackupDir, kRunReportFileName));
}

BOOL CBackupMedium::OpenReserve(ULONGLONG nBytes)
{
    m_reserve = CHandle(::CreateFileW(CDirectory::Concat(m_strBackupDir, kReserveFileName), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    m_nReserved = 0;
    return m_reserve && Reserve(nBytes);
}

BOOL CBackupMedium::Reserve(ULONGLONG nBytes)
{
    static const BYTE zeros[kReserveStep] = {};
    const ULONGLONG nBefore = m_nReserved;
    while (m_nReserved < nBytes) {
        DWORD nWritten = 0;
        if (!::WriteFile(m_reserve.Get(), zeros, kReserveStep, &nWritten, nullptr) || nWritten != kReserveStep) {
            LARGE_INTEGER back = {};
            back.QuadPart = static_cast<LONGLONG>(nBefore);
            ::SetFilePointerEx(m_reserve.Get(), back, nullptr, FILE_BEGIN);
            ::SetEndOfFile(m_reserve.Get());
            m_nReserved = nBefore;
            return FALSE;
        }
        m_nReserved += kReserveStep;
    }
    return TRUE;
}

void CBackupMedium::ReleaseReserve()
{
    if (!m_reserve)
        return;
    m_reserve.Reset();
    m_nReserved = 0;
    ::DeleteFileW(CDirectory::Concat(m_strBackupDir, kReserveFileName));
}

CString CBackupMedium::RelativePath(const CString& strPath) const
{
    const CString strFull = GetFullPath(strPath);
    if (strFull.Left(m_strPrefix.GetLength()).CompareNoCase(m_strPrefix) != 0)
        return CString();
    return strFull.Mid(m_strPrefix.GetLength());
}

int CBackupMedium::DiskInDrive() const
{
    SBackupIniState state;
    if (!ReadState(m_strIni, state) || state.strRunId != m_strRunId)
        return 0;
    return state.nDisk;
}

BOOL CBackupMedium::Write(const SBackupIniState& state)
{
    SBackupIniState written = state;
    written.strRunId = m_strRunId;
    CBackup::WriteBackupState(written.nComplete, written.nDisk, m_strIni);
    WriteKey(kRunIdKey, m_strRunId, m_strIni);
    WriteKey(kCancelledKey, Decimal(written.bCancelled ? 1 : 0), m_strIni);
    WriteKey(kFailedFilesKey, Decimal(written.nFailedFiles), m_strIni);
    WriteKey(kVerifyFailuresKey, Decimal(written.nVerifyFailures), m_strIni);
    // All null: the profile functions write out and drop what they cache of the file.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_strIni);

    SBackupIniState read;
    return ReadState(m_strIni, read) && read == written;
}

BOOL CBackupMedium::ReadState(const CString& strIniPath, SBackupIniState& state)
{
    // Opened for writing too, so that what the system still holds of the
    // file goes to the medium before it is read back.
    HANDLE h = ::CreateFileW(strIniPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = ::CreateFileW(strIniPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    CHandle file(h);
    ::FlushFileBuffers(h);
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(h, &size) || size.QuadPart > kMaxIniBytes)
        return FALSE;
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return FALSE;

    state = SBackupIniState();
    BOOL bInSection = FALSE;
    BOOL bHasDisk = FALSE;
    const CString text = DecodeIni(bytes);
    int start = 0;
    while (start <= text.GetLength()) {
        int end = text.Find(L'\n', start);
        if (end < 0)
            end = text.GetLength();
        CString line = text.Mid(start, end - start);
        start = end + 1;
        line.Trim();
        if (line.IsEmpty())
            continue;
        if (line[0] == L'[') {
            bInSection = line.CompareNoCase(CString(L"[") + kBackupIniSection + L"]") == 0;
            continue;
        }
        const int eq = line.Find(L'=');
        if (!bInSection || eq < 0)
            continue;
        CString key = line.Left(eq);
        CString value = line.Mid(eq + 1);
        key.Trim();
        value.Trim();
        if (key.CompareNoCase(kBackupCompleteKey) == 0) {
            state.nComplete = ToInt(value);
        } else if (key.CompareNoCase(kDiskNumberKey) == 0) {
            state.nDisk = ToInt(value);
            bHasDisk = TRUE;
        } else if (key.CompareNoCase(kRunIdKey) == 0) {
            state.strRunId = value;
        } else if (key.CompareNoCase(kCancelledKey) == 0) {
            state.bCancelled = ToInt(value) != 0;
        } else if (key.CompareNoCase(kFailedFilesKey) == 0) {
            state.nFailedFiles = ToInt(value);
        } else if (key.CompareNoCase(kVerifyFailuresKey) == 0) {
            state.nVerifyFailures = ToInt(value);
        }
    }
    return bHasDisk;
}
