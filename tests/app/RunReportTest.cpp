// The run report as a file: its text, the folder that keeps the last reports,
// and the event log entry of an unattended run.

#include "app/ReportFolder.h"
#include "app/RunEventLog.h"
#include "app/RunReport.h"
#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// 2026-12-07 03:15:00 UTC plus some minutes.
FILETIME At(int nMinutes)
{
    SYSTEMTIME st = {2026, 12, 1, 7, 3, 15, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t = {{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart += nMinutes * 60 * 10000000ULL;
    return {t.LowPart, t.HighPart};
}

// The file's text after its byte-order mark; empty unless it is valid UTF-8 with one.
CString ReadUtf8(const CString& path)
{
    const std::vector<unsigned char> bytes = test::ReadBytes(path);
    if (bytes.size() < 3 || bytes[0] != 0xEF || bytes[1] != 0xBB || bytes[2] != 0xBF)
        return CString();
    const char* text = reinterpret_cast<const char*>(bytes.data()) + 3;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, int(bytes.size() - 3), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, int(bytes.size() - 3), &wide[0], n);
    return CString(wide);
}

// Lines longer than the width, and the text with wrapped lines joined again
// (directly after a backslash, with a space after a word).
int LongLines(const CString& text, CString& unwrapped)
{
    int nLong = 0;
    std::wstring s = text.Str(), line;
    for (size_t pos = 0, end; pos < s.size(); pos = end + 2) {
        end = std::min(s.find(L"\r\n", pos), s.size());
        line = s.substr(pos, end - pos);
        int chars = 0;
        for (wchar_t c : line)
            chars += IS_LOW_SURROGATE(c) ? 0 : 1;
        nLong += chars > CRunReport::kReportWidth;
        const size_t first = line.find_first_not_of(L' ');
        const bool bContinues = first >= 6 && first != std::wstring::npos && !unwrapped.IsEmpty();
        const CString strPrev = unwrapped.Right(1);
        const CString strText = first == std::wstring::npos ? CString() : CString(line.substr(first));
        unwrapped += bContinues ? (strPrev == L"\\" ? L"" : L" ") + strText : L"\n" + strText;
    }
    return nLong;
}

CString SystemText(DWORD dwError)
{
    wchar_t buf[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError, 0, buf, 512, nullptr);
    return CString(buf).Trim();
}

} // namespace

TEST(RunReportTest, TheReportAndEachMediumsPartNameTheirProblemsInUtf8LinesThatFit)
{
    const CString failed = L"D:\\ORVEX Data\\Patients\\Müller, Hans-Jürgen (1958-03-02)\\Case 2026-11-30 Crown 16 "
                           L"monolithic\\Scans\\Preparation jaw, upper, high resolution.dat";
    const CString mismatch = L"D:\\ORVEX Data\\Patients\\Ångström, Åsa\\Case 1\\Bridge.dat";
    const CString kept = L"D:\\ORVEX Data\\Patients\\山田 太郎\\症例 𠮷 3";
    CRunReport report(ERunKind::Backup, L"R:\\Backups\\Nächtliche Sicherung");
    report.SetUnattended(L"\"C:\\Program Files\\Tessaro\\ORVEX\\OrvexBackup.exe\" \"R:\\Backups\\Nächtliche "
                         L"Sicherung\" -v -i -d -t");
    report.SetOptions({TRUE, TRUE, TRUE, TRUE});
    report.AddSelected(L"Patient Data Index (3 patients)", 3, 60 << 20);
    report.Begin(At(0));
    report.StartMedium(1);
    report.AddCopied(20 << 20);
    report.AddCopied(20 << 20);
    report.AddFailure(failed, ERROR_SHARING_VIOLATION);
    report.EndMedium(512 << 10);
    report.StartMedium(2);
    report.AddCopied(20 << 20);
    report.AddVerifyMismatch(mismatch);
    report.AddCaseKept(kept, ECaseKept::FileFailed);
    CString unbroken = L"x"; // a name the width cuts, between two characters
    for (int i = 0; i < 60; ++i)
        unbroken += L"𠮷";
    report.AddKeptExisting(unbroken);
    report.EndMedium(1 << 20);
    report.End(At(1));
    report.SetOutcome(6, L"The backup finished with errors: 2 file(s) could not be copied or verified.");

    const struct {
        int disk;
        std::vector<CString> present, absent;
    } cases[] = {
        {0, {failed + L"\n" + SystemText(ERROR_SHARING_VIOLATION), mismatch, kept, L"Exit code 6",
             L"Duration:       0:01:00", L"Throughput:   1.0 MB/s", L"Disk 2: 1 file, 20.0 MB copied; 1.0 MB left free"},
         {L"Exit code 1"}},
        {1, {failed, L"Disk 1: 2 files, 40.0 MB copied; 512.0 KB left free"}, {mismatch, kept, L"Disk 2"}},
        {2, {mismatch, kept, L"Disk 2"}, {failed, L"Disk 1"}},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const CString path = dir / L"report.txt";
        ASSERT_EQ(ERROR_SUCCESS, c.disk ? report.WriteMedium(c.disk, path) : report.Write(path));
        const CString text = ReadUtf8(path);
        CString unwrapped;
        EXPECT_EQ(0, LongLines(text, unwrapped)) << c.disk;
        EXPECT_EQ(-1, text.Find(L'\xFFFD')) << c.disk;
        for (const CString& s : c.present)
            EXPECT_NE(-1, unwrapped.Find(s)) << c.disk << ": " << testing::PrintToString(s) << " in\n" << testing::PrintToString(unwrapped);
        for (const CString& s : c.absent)
            EXPECT_EQ(-1, unwrapped.Find(s)) << c.disk << ": " << testing::PrintToString(s);
    }
    // Each bit set is spelled out, and no other.
    const CString text = report.Render();
    EXPECT_NE(-1, text.Find(CRunReport::DescribeOutcomeBit(2)));
    EXPECT_NE(-1, text.Find(CRunReport::DescribeOutcomeBit(4)));
    EXPECT_EQ(-1, text.Find(CRunReport::DescribeOutcomeBit(8)));
}

TEST(RunReportTest, TheFolderKeepsTheLastHundredReportsAndAFailedWriteIsAnErrorCode)
{
    test::TempDir dir;
    const CString folder = dir / L"Reports";
    CreateDirectoryW(folder, nullptr);
    test::WriteText(folder + L"\\notes.txt", "kept");
    for (int i = 0; i < 100; ++i)
        test::WriteText(folder + L"\\" + CRunReport::LocalTimeText(At(i), L'-') + (i % 2 ? L" Restore.txt" : L" Backup.txt"), "");
    // Two runs in one second, both later than the others.
    CRunReport report(ERunKind::Backup, L"R:\\Backup");
    report.Begin(At(500));
    CString first, second;
    ASSERT_EQ(ERROR_SUCCESS, CReportFolder(folder).Add(report, first));
    ASSERT_EQ(ERROR_SUCCESS, CReportFolder(folder).Add(report, second));
    EXPECT_NE(first, second);
    EXPECT_TRUE(test::FileExists(first) && test::FileExists(second));
    EXPECT_EQ(first.Left(first.GetLength() - 4) + L" (2).txt", second);
    CStringArray names;
    EXPECT_EQ(101, CDirectory::ListFiles(folder, names, L"*", ~DWORD(FILE_ATTRIBUTE_DIRECTORY)));
    EXPECT_FALSE(test::FileExists(folder + L"\\" + CRunReport::LocalTimeText(At(0), L'-') + L" Backup.txt"));
    EXPECT_FALSE(test::FileExists(folder + L"\\" + CRunReport::LocalTimeText(At(1), L'-') + L" Restore.txt"));
    EXPECT_TRUE(test::FileExists(folder + L"\\" + CRunReport::LocalTimeText(At(2), L'-') + L" Backup.txt"));
    EXPECT_TRUE(test::FileExists(folder + L"\\notes.txt"));

    // A folder that cannot be made: an error, no file, no exception.
    CString none = L"x";
    EXPECT_NE(ERROR_SUCCESS, CReportFolder(folder + L"\\notes.txt\\Reports").Add(report, none));
    EXPECT_TRUE(none.IsEmpty());

    wchar_t programData[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH);
    EXPECT_EQ(CString(programData) + L"\\Tessaro\\ORVEX\\Backup Reports", CReportFolder::GetDefaultPath());
}

TEST(RunReportTest, AnUnattendedRunsEventLogEntryIsRankedByItsExitCodeAndDoesNotFail)
{
    const struct {
        UINT code;
        WORD type;
    } cases[] = {{0, EVENTLOG_INFORMATION_TYPE}, {1, EVENTLOG_WARNING_TYPE}, {6, EVENTLOG_WARNING_TYPE},
                 {8, EVENTLOG_ERROR_TYPE}, {13, EVENTLOG_ERROR_TYPE}};
    for (const auto& c : cases)
        EXPECT_EQ(c.type, EventTypeForExitCode(c.code)) << c.code;
    // Wine keeps no event log but takes the entry, as Windows does from a source no installer registered.
    CRunReport report(ERunKind::Backup, L"R:\\Backup");
    report.SetUnattended(L"OrvexBackup.exe R:\\Backup");
    report.SetOutcome(2, L"1 file could not be copied.");
    EXPECT_TRUE(ReportRunToEventLog(report, L"C:\\ProgramData\\Tessaro\\ORVEX\\Backup Reports\\x.txt"));
}
