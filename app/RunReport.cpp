#include "app/RunReport.h"

#include "app/Backup.h"
#include "framework/CAtomicFile.h"
#include "framework/SystemErrorText.h"
#include "items/BackupMedia.h"
#include "res/version.h"

#include <shellapi.h>

#include <string>

namespace {

// Labels of the header lines are padded to this many characters so that the
// values form a column.
constexpr int kLabelWidth = 16;
// Continuation lines of a wrapped entry sit this much deeper than its first line.
constexpr int kContinuation = 4;

const wchar_t* YesNo(BOOL b)
{
    return b ? L"yes" : L"no";
}

// "1,288,490,188": exact byte counts a reader can compare with Explorer's.
CString GroupDigits(ULONGLONG n)
{
    std::wstring digits = std::to_wstring(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), 1, L',');
    return CString(digits);
}

// "512 bytes", "12.3 KB", "1.2 GB", in the binary units Explorer shows.
CString FormatSize(LONGLONG nBytes)
{
    CString strSize;
    if (nBytes < 1024) {
        strSize.Format(L"%lld %s", nBytes, nBytes == 1 ? L"byte" : L"bytes");
        return strSize;
    }
    const wchar_t* units[] = {L"KB", L"MB", L"GB", L"TB"};
    double value = static_cast<double>(nBytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    strSize.Format(L"%.1f %s", value, units[unit]);
    return strSize;
}

CString FormatCount(LONGLONG nFiles, LONGLONG nBytes)
{
    CString strCount;
    strCount.Format(L"%lld %s, %s", nFiles, nFiles == 1 ? L"file" : L"files", FormatSize(nBytes).GetString());
    return strCount;
}

// The count with the exact bytes as well, where the size rounded them.
CString FormatExactCount(LONGLONG nFiles, LONGLONG nBytes)
{
    const CString strCount = FormatCount(nFiles, nBytes);
    return nBytes < 1024 ? strCount : strCount + L" (" + GroupDigits(static_cast<ULONGLONG>(nBytes)) + L" bytes)";
}

ULONGLONG Ticks(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

void AppendTitle(CString& strOut, const CString& strTitle)
{
    strOut += strTitle + L"\r\n" + CString(L'=', strTitle.GetLength()) + L"\r\n";
}

// Appends text as lines of at most CRunReport::kReportWidth characters: the
// first after strPrefix, the others indented by nIndent. A line is broken
// after the last backslash that fits (a path goes on with its next folder)
// or, unless the text is a path, at the last space, whichever comes later;
// text without either is cut at the width, never inside a surrogate pair.
void AppendWrapped(CString& strOut, const CString& strPrefix, const CString& strText, int nIndent, bool bPath = false)
{
    const std::wstring& text = strText.Str();
    size_t pos = 0;
    CString strLead = strPrefix;
    for (;;) {
        const size_t room = static_cast<size_t>(CRunReport::kReportWidth - strLead.GetLength());
        if (text.size() - pos <= room) {
            strOut += strLead + CString(text.substr(pos)) + L"\r\n";
            return;
        }
        size_t end = pos + room; // text[pos, end) fits
        size_t next = end;
        for (size_t i = end; i > pos + 1; --i) {
            if (text[i - 1] == L'\\') {
                end = next = i;
                break;
            }
            if (!bPath && i < text.size() && text[i] == L' ') {
                end = i;
                next = i + 1;
                break;
            }
        }
        if (next == pos + room && IS_HIGH_SURROGATE(text[end - 1]))
            end = next = end - 1;
        strOut += strLead + CString(text.substr(pos, end - pos)) + L"\r\n";
        pos = next;
        while (pos < text.size() && text[pos] == L' ')
            ++pos;
        strLead = CString(L' ', nIndent);
    }
}

void AppendField(CString& strOut, const wchar_t* pszLabel, const CString& strValue, bool bPath = false)
{
    CString strLabel = pszLabel;
    strLabel += CString(L' ', kLabelWidth - strLabel.GetLength());
    AppendWrapped(strOut, strLabel, strValue, kLabelWidth, bPath);
}

// One entry of a list: the path, and under it, less deep than the path's
// own continuation lines, why it is named.
void AppendEntry(CString& strOut, const CString& strPath, const CString& strWhy)
{
    AppendWrapped(strOut, L"  ", strPath, 2 + kContinuation, true);
    if (!strWhy.IsEmpty())
        AppendWrapped(strOut, L"    ", strWhy, 2 + kContinuation);
}

void AppendHeading(CString& strOut, const CString& strHeading, size_t nCount)
{
    CString strLine;
    strLine.Format(L"\r\n%s (%lld)\r\n", strHeading.GetString(), static_cast<LONGLONG>(nCount));
    strOut += strLine;
}

// A backup compares a copy with its live file; a restore and a check compare
// it with its checksum.
CString DescribeMismatch(ERunKind kind, DWORD dwError)
{
    if (dwError != ERROR_SUCCESS)
        return L"the copy could not be read back: " + GetSystemErrorText(dwError);
    return kind == ERunKind::Backup ? L"the copy differs from the file" : L"its bytes differ from its checksum";
}

CString DescribeCaseKept(ECaseKept reason, DWORD dwError)
{
    switch (reason) {
    case ECaseKept::NotInBackup:
        return L"kept: it holds files that are not in this backup";
    case ECaseKept::FileFailed:
        return L"kept: a file in it was not copied or did not verify";
    case ECaseKept::DeleteFailed:
        break;
    }
    return L"kept: it could not be deleted: " + GetSystemErrorText(dwError);
}

std::string ToUtf8(const CString& strText)
{
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, strText, strText.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(nBytes), '\0');
    if (nBytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, strText, strText.GetLength(), &utf8[0], nBytes, nullptr, nullptr);
    return utf8;
}

// Renders and writes; whatever fails is turned into its Win32 error, since a
// report that cannot be written must not change how the run ends.
DWORD WriteReport(const CString& strPath, const CRunReport& report, int nDisk)
{
    try {
        const std::string text = "\xEF\xBB\xBF" + ToUtf8(nDisk > 0 ? report.RenderMedium(nDisk) : report.Render());
        CAtomicFile file(strPath);
        file.Write(text.data(), static_cast<UINT>(text.size()));
        file.Commit();
        return ERROR_SUCCESS;
    } catch (...) {
        return TakeCurrentExceptionError();
    }
}

} // namespace

CString RunKindName(ERunKind kind)
{
    switch (kind) {
    case ERunKind::Restore:
        return L"Restore";
    case ERunKind::Check:
        return L"Check";
    case ERunKind::Backup:
        break;
    }
    return L"Backup";
}

CString MediumReportFileName(int nDisk)
{
    CString strName;
    strName.Format(L"%s, disk %d.txt", kReportFilePrefix, nDisk);
    return strName;
}

BOOL OpenReportFile(HWND hOwner, const CString& strPath)
{
    const HINSTANCE hResult = ::ShellExecuteW(hOwner, L"open", strPath, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(hResult) > 32;
}

CString CRunReport::LocalTimeText(const FILETIME& ftUtc, wchar_t chTimeSeparator)
{
    SYSTEMTIME utc = {};
    SYSTEMTIME local = {};
    ::FileTimeToSystemTime(&ftUtc, &utc);
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = utc;
    CString strTime;
    strTime.Format(L"%04u-%02u-%02u %02u%c%02u%c%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
                   chTimeSeparator, local.wMinute, chTimeSeparator, local.wSecond);
    return strTime;
}

CRunReport::CRunReport(ERunKind kind, const CString& strBackupDir) : m_kind(kind), m_strBackupDir(strBackupDir)
{
}

void CRunReport::SetUnattended(const CString& strCommandLine)
{
    m_bUnattended = TRUE;
    m_strCommandLine = strCommandLine;
}

void CRunReport::AddSelected(const CString& strWhat, LONGLONG nFiles, LONGLONG nBytes)
{
    m_selected.push_back({strWhat, {nFiles, nBytes}});
}

void CRunReport::Begin()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    Begin(now);
}

void CRunReport::Begin(const FILETIME& ftStart)
{
    m_ftStart = ftStart;
}

void CRunReport::End()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    End(now);
}

void CRunReport::End(const FILETIME& ftEnd)
{
    m_ftEnd = ftEnd;
    m_bEnded = TRUE;
}

void CRunReport::StartMedium(int nDisk)
{
    SMedium medium;
    medium.nDisk = nDisk;
    m_media.push_back(medium);
}

void CRunReport::EndMedium(ULONGLONG nFreeBytes)
{
    if (m_media.empty())
        return;
    m_media.back().bEnded = TRUE;
    m_media.back().nFreeBytes = nFreeBytes;
}

void CRunReport::AddCopied(LONGLONG nBytes)
{
    ++m_copied.nFiles;
    m_copied.nBytes += nBytes;
    if (!m_media.empty()) {
        ++m_media.back().copied.nFiles;
        m_media.back().copied.nBytes += nBytes;
    }
}

void CRunReport::AddVerified(LONGLONG nBytes)
{
    ++m_verified.nFiles;
    m_verified.nBytes += nBytes;
    if (!m_media.empty()) {
        ++m_media.back().verified.nFiles;
        m_media.back().verified.nBytes += nBytes;
    }
}

void CRunReport::AddEntry(std::vector<SEntry>& entries, const CString& strPath, DWORD dwError, ECaseKept reason)
{
    SEntry entry;
    entry.strPath = strPath;
    entry.dwError = dwError;
    entry.nDisk = CurrentDisk();
    entry.reason = reason;
    entries.push_back(entry);
}

void CRunReport::AddFailure(const CString& strPath, DWORD dwError)
{
    AddEntry(m_failures, strPath, dwError);
}

void CRunReport::AddVerifyMismatch(const CString& strPath, DWORD dwError)
{
    AddEntry(m_mismatches, strPath, dwError);
}

void CRunReport::AddCaseDeleted(const CString& strCaseDir)
{
    AddEntry(m_casesDeleted, strCaseDir, ERROR_SUCCESS);
}

void CRunReport::AddCaseKept(const CString& strCaseDir, ECaseKept reason, DWORD dwError)
{
    AddEntry(m_casesKept, strCaseDir, dwError, reason);
}

void CRunReport::AddUnlisted(const CString& strPath)
{
    AddEntry(m_unlisted, strPath, ERROR_SUCCESS);
}

void CRunReport::AddKeptExisting(const CString& strPath)
{
    AddEntry(m_keptExisting, strPath, ERROR_SUCCESS);
}

void CRunReport::SetOutcome(UINT nBits, const CString& strWords)
{
    m_bOutcomeSet = TRUE;
    m_nOutcomeBits = nBits;
    m_strOutcome = strWords;
}

CString CRunReport::DescribeOutcomeBit(UINT nBit)
{
    switch (nBit) {
    case CBackup::OutcomeIncomplete:
        return L"incomplete: a medium was full, or the run was cancelled";
    case CBackup::OutcomeCopyFailed:
        return L"files could not be copied, or the patient data folder does not exist";
    case CBackup::OutcomeVerifyFailed:
        return L"verification failed";
    case CBackup::OutcomeFatal:
        return L"fatal: the target or the input was refused, a file or archive error ended the run, "
               L"or a medium's Backup.ini could not be written";
    default:
        return L"unknown";
    }
}

ULONGLONG CRunReport::ElapsedMilliseconds() const
{
    // A clock set back during the run gives no duration rather than a huge one.
    return Ticks(m_ftEnd) > Ticks(m_ftStart) ? (Ticks(m_ftEnd) - Ticks(m_ftStart)) / 10000 : 0;
}

void CRunReport::RenderHeader(CString& strOut) const
{
    AppendField(strOut, L"Started:", LocalTimeText(m_ftStart, L':'));
    if (m_bEnded) {
        AppendField(strOut, L"Ended:", LocalTimeText(m_ftEnd, L':'));
        const ULONGLONG nSeconds = ElapsedMilliseconds() / 1000;
        CString strDuration;
        strDuration.Format(L"%llu:%02llu:%02llu", nSeconds / 3600, nSeconds / 60 % 60, nSeconds % 60);
        AppendField(strOut, L"Duration:", strDuration);
    }
    AppendField(strOut, L"Run:", m_bUnattended ? L"unattended" : L"interactive");
    if (m_bUnattended)
        AppendField(strOut, L"Command line:", m_strCommandLine);
    AppendField(strOut, L"Backup folder:", m_strBackupDir, true);

    const struct {
        const wchar_t* pszName;
        BOOL bOn;
    } options[] = {{L"Verify the copies", m_options.bVerify},
                   {L"Only new or modified patient data", m_options.bModifiedOnly},
                   {L"Delete the restoration data", m_options.bDeleteRestorations},
                   {L"Include TIFF images", m_options.bTiffImages}};
    strOut += L"\r\nOptions\r\n";
    for (const auto& option : options) {
        CString strLine;
        strLine.Format(L"  %-36s%s\r\n", (CString(option.pszName) + L":").GetString(), YesNo(option.bOn));
        strOut += strLine;
    }

    strOut += L"\r\nSelected\r\n";
    for (const SSelected& selected : m_selected)
        AppendWrapped(strOut, L"  ", selected.strWhat + L": " + FormatCount(selected.size.nFiles, selected.size.nBytes),
                      2 + kContinuation);
}

void CRunReport::RenderMediumLine(CString& strOut, const SMedium& medium) const
{
    CString strLine;
    strLine.Format(L"Disk %d: %s copied", medium.nDisk, FormatCount(medium.copied.nFiles, medium.copied.nBytes).GetString());
    if (medium.verified.nFiles > 0) {
        CString strVerified;
        strVerified.Format(L", %lld verified", medium.verified.nFiles);
        strLine += strVerified;
    }
    if (medium.bEnded)
        strLine += L"; " + FormatSize(static_cast<LONGLONG>(medium.nFreeBytes)) + L" left free";
    AppendWrapped(strOut, L"  ", strLine, 2 + kContinuation);
}

void CRunReport::RenderLists(CString& strOut, int nDisk) const
{
    auto list = [&](const wchar_t* pszHeading, const std::vector<SEntry>& entries, auto describe) {
        std::vector<const SEntry*> shown;
        for (const SEntry& entry : entries) {
            if (nDisk == 0 || entry.nDisk == nDisk)
                shown.push_back(&entry);
        }
        if (shown.empty())
            return;
        AppendHeading(strOut, pszHeading, shown.size());
        for (const SEntry* entry : shown)
            AppendEntry(strOut, entry->strPath, describe(*entry));
    };
    // The same lists say different things in the three kinds of run.
    const wchar_t* pszFailures = m_kind == ERunKind::Backup    ? L"Files not copied"
                                 : m_kind == ERunKind::Restore ? L"Files not restored"
                                                               : L"Files missing";
    const wchar_t* pszMismatches = m_kind == ERunKind::Backup    ? L"Verification mismatches"
                                   : m_kind == ERunKind::Restore ? L"Damaged copies, not restored"
                                                                 : L"Damaged files";
    list(pszFailures, m_failures, [](const SEntry& e) { return GetSystemErrorText(e.dwError); });
    list(pszMismatches, m_mismatches, [this](const SEntry& e) { return DescribeMismatch(m_kind, e.dwError); });
    list(L"Case directories deleted", m_casesDeleted, [](const SEntry&) { return CString(); });
    list(L"Case directories kept", m_casesKept, [](const SEntry& e) { return DescribeCaseKept(e.reason, e.dwError); });
    list(L"Existing files kept at the overwrite question", m_keptExisting, [](const SEntry&) { return CString(); });
    list(L"Files without a line in their medium's checksum file", m_unlisted, [](const SEntry&) { return CString(); });
}

void CRunReport::RenderOutcome(CString& strOut) const
{
    strOut += L"\r\nOutcome\r\n";
    // The words are the final message's, one line of it after the other.
    const CString strWords = m_bOutcomeSet ? m_strOutcome : CString(L"not recorded");
    for (int start = 0; start <= strWords.GetLength();) {
        int end = strWords.Find(L'\n', start);
        if (end < 0)
            end = strWords.GetLength();
        CString strLine = strWords.Mid(start, end - start);
        strLine.Trim();
        if (!strLine.IsEmpty())
            AppendWrapped(strOut, L"  ", strLine, 2 + kContinuation);
        start = end + 1;
    }
    if (!m_bUnattended)
        return;
    CString strCode;
    strCode.Format(L"  Exit code %u%s\r\n", m_nOutcomeBits, m_nOutcomeBits == 0 ? L": complete" : L", the sum of:");
    strOut += strCode;
    for (UINT nBit = 1; nBit <= m_nOutcomeBits && nBit != 0; nBit <<= 1) {
        if (m_nOutcomeBits & nBit) {
            CString strBit;
            strBit.Format(L"    %-3u", nBit);
            AppendWrapped(strOut, strBit, DescribeOutcomeBit(nBit), 7 + kContinuation);
        }
    }
}

void CRunReport::RenderTotals(CString& strOut) const
{
    strOut += L"\r\nTotals\r\n";
    AppendField(strOut, L"  Copied:", FormatExactCount(m_copied.nFiles, m_copied.nBytes));
    AppendField(strOut, L"  Verified:", FormatExactCount(m_verified.nFiles, m_verified.nBytes));
    CString strFailed;
    strFailed.Format(L"%lld not copied, %lld did not verify", static_cast<LONGLONG>(m_failures.size()),
                     static_cast<LONGLONG>(m_mismatches.size()));
    AppendField(strOut, L"  Failed:", strFailed);
    // Over the whole run, media changes and questions included.
    const ULONGLONG nMilliseconds = ElapsedMilliseconds();
    CString strRate = L"n/a";
    if (nMilliseconds > 0)
        strRate.Format(L"%.1f MB/s", static_cast<double>(m_copied.nBytes) / (1024.0 * 1024.0) * 1000.0 / nMilliseconds);
    AppendField(strOut, L"  Throughput:", strRate);
}

CString CRunReport::Render() const
{
    CString strTitle;
    strTitle.Format(L"ORVEX Backup %s: report of a %s", L"" ORVEX_VERSION_TEXT, RunKindName(m_kind).MakeLower().GetString());
    CString strOut;
    AppendTitle(strOut, strTitle);
    RenderHeader(strOut);
    if (!m_media.empty()) {
        AppendHeading(strOut, L"Media", m_media.size());
        for (const SMedium& medium : m_media)
            RenderMediumLine(strOut, medium);
    }
    RenderLists(strOut, 0);
    RenderOutcome(strOut);
    RenderTotals(strOut);
    return strOut;
}

CString CRunReport::RenderMedium(int nDisk) const
{
    CString strTitle;
    strTitle.Format(L"ORVEX Backup %s: disk %d of a %s", L"" ORVEX_VERSION_TEXT, nDisk,
                    RunKindName(m_kind).MakeLower().GetString());
    CString strOut;
    AppendTitle(strOut, strTitle);
    RenderHeader(strOut);
    strOut += L"\r\nThis disk\r\n";
    for (const SMedium& medium : m_media) {
        if (medium.nDisk == nDisk)
            RenderMediumLine(strOut, medium);
    }
    RenderLists(strOut, nDisk);
    strOut += L"\r\n";
    AppendWrapped(strOut, L"",
                  CString(L"The report of the whole run is \"") + kRunReportFileName +
                      L"\" on the run's last disk, and in the report folder of the computer that ran it.",
                  0);
    return strOut;
}

DWORD CRunReport::Write(const CString& strPath) const
{
    return WriteReport(strPath, *this, 0);
}

DWORD CRunReport::WriteMedium(int nDisk, const CString& strPath) const
{
    return WriteReport(strPath, *this, nDisk);
}
