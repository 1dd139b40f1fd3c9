#pragma once
// What one run did, collected while it runs and written afterwards as a plain
// text report that a lab keeps as proof of its backups and an administrator
// reads after a scheduled run: UTF-8 with a byte-order mark (so that Notepad
// shows every patient's name right), CRLF line ends, lines of at most
// kReportWidth characters.
//
// Threads: the set-up (constructor to Begin) happens before the worker starts,
// the Add and medium calls come from the worker thread only, and the report
// is rendered and written by the worker at a medium's end or once the run is
// over. No call locks. Successful files are only counted; strings are kept
// only for the lists the report names file by file.

#include "app/IProgressListener.h"
#include "framework/CString.h"

#include <vector>

enum class ERunKind { Backup, Restore, Check };
// "Backup", "Restore", "Check".
CString RunKindName(ERunKind kind);

// The options a run was started with.
struct SRunOptions {
    BOOL bVerify = FALSE;
    BOOL bModifiedOnly = FALSE;
    BOOL bDeleteRestorations = FALSE;
    BOOL bTiffImages = FALSE;
};

// The names under which the reports lie in the backup directory: the whole
// run's on its last medium, each medium's own part on that medium.
inline constexpr const wchar_t* kRunReportFileName = L"Backup Report.txt";
CString MediumReportFileName(int nDisk);

// Opens a written report with the program the system associates with text
// files; FALSE when that fails.
BOOL OpenReportFile(HWND hOwner, const CString& strPath);

class CRunReport {
public:
    static constexpr int kReportWidth = 100;

    // strBackupDir: the directory written into (backup) or read from (restore, check).
    CRunReport(ERunKind kind, const CString& strBackupDir);

    // Set-up, before the worker starts.
    // Marks the run as unattended; its command line goes into the report.
    void SetUnattended(const CString& strCommandLine);
    void SetOptions(const SRunOptions& options) { m_options = options; }
    // One ticked part of the tree ("Patient Data Index (12 patients)") with its size.
    void AddSelected(const CString& strWhat, LONGLONG nFiles, LONGLONG nBytes);
    // The run's start and end, now or (UTC) as given.
    void Begin();
    void Begin(const FILETIME& ftStart);
    void End();
    void End(const FILETIME& ftEnd);

    // Worker thread, while the run goes on.
    // A medium in the drive starts or ends; what follows counts for it.
    void StartMedium(int nDisk);
    // nFreeBytes: what the medium has left once this run's part is on it.
    void EndMedium(ULONGLONG nFreeBytes);
    void AddCopied(LONGLONG nBytes);
    // A copy found equal to its file.
    void AddVerified(LONGLONG nBytes);
    // A file that could not be copied, with the Win32 error the copy met.
    void AddFailure(const CString& strPath, DWORD dwError);
    // A copy that differs from its file (dwError 0) or could not be read back.
    void AddVerifyMismatch(const CString& strPath, DWORD dwError = ERROR_SUCCESS);
    void AddCaseDeleted(const CString& strCaseDir);
    void AddCaseKept(const CString& strCaseDir, ECaseKept reason, DWORD dwError = ERROR_SUCCESS);
    // An existing file left as it was at the overwrite question.
    void AddKeptExisting(const CString& strPath);
    // A file on a medium that its checksum file does not list.
    void AddUnlisted(const CString& strPath);
    // The outcome bits (the exit code of an unattended run) and what the
    // final message said, in words.
    void SetOutcome(UINT nBits, const CString& strWords);

    // The whole report, and the part of one medium: what that medium holds,
    // readable without the others.
    CString Render() const;
    CString RenderMedium(int nDisk) const;
    // Write as UTF-8 with a byte-order mark, whole or not at all. Never
    // throw: ERROR_SUCCESS or the Win32 error of the failure.
    DWORD Write(const CString& strPath) const;
    DWORD WriteMedium(int nDisk, const CString& strPath) const;

    ERunKind GetKind() const { return m_kind; }
    const CString& GetBackupDir() const { return m_strBackupDir; }
    BOOL IsUnattended() const { return m_bUnattended; }
    const FILETIME& GetStart() const { return m_ftStart; }
    UINT GetOutcomeBits() const { return m_nOutcomeBits; }
    const CString& GetOutcomeWords() const { return m_strOutcome; }
    // The meaning of one bit of the exit code ("verification failed").
    static CString DescribeOutcomeBit(UINT nBit);
    // "2026-12-07 03:15:00" in the computer's time zone; report file names
    // take '-' as the time separator, which a file name may hold.
    static CString LocalTimeText(const FILETIME& ftUtc, wchar_t chTimeSeparator);

private:
    struct SCount {
        LONGLONG nFiles = 0;
        LONGLONG nBytes = 0;
    };
    struct SMedium {
        int nDisk = 0;
        SCount copied;
        SCount verified;
        BOOL bEnded = FALSE;
        ULONGLONG nFreeBytes = 0;
    };
    // A file or case directory the report names, with the disk in the drive then.
    struct SEntry {
        CString strPath;
        DWORD dwError = ERROR_SUCCESS;
        int nDisk = 0;
        ECaseKept reason = ECaseKept::NotInBackup;
    };
    struct SSelected {
        CString strWhat;
        SCount size;
    };

    void AddEntry(std::vector<SEntry>& entries, const CString& strPath, DWORD dwError,
                  ECaseKept reason = ECaseKept::NotInBackup);
    void RenderHeader(CString& strOut) const;
    void RenderMediumLine(CString& strOut, const SMedium& medium) const;
    // The lists of problem files, of every disk or (nDisk > 0) of one.
    void RenderLists(CString& strOut, int nDisk) const;
    void RenderOutcome(CString& strOut) const;
    void RenderTotals(CString& strOut) const;
    ULONGLONG ElapsedMilliseconds() const;
    int CurrentDisk() const { return m_media.empty() ? 0 : m_media.back().nDisk; }

    ERunKind m_kind;
    CString m_strBackupDir;
    BOOL m_bUnattended = FALSE;
    CString m_strCommandLine;
    SRunOptions m_options;
    std::vector<SSelected> m_selected;
    FILETIME m_ftStart = {};
    FILETIME m_ftEnd = {};
    BOOL m_bEnded = FALSE;

    std::vector<SMedium> m_media;
    SCount m_copied;
    SCount m_verified;
    std::vector<SEntry> m_failures;
    std::vector<SEntry> m_mismatches;
    std::vector<SEntry> m_casesDeleted;
    std::vector<SEntry> m_casesKept;
    std::vector<SEntry> m_keptExisting;
    std::vector<SEntry> m_unlisted;

    BOOL m_bOutcomeSet = FALSE;
    UINT m_nOutcomeBits = 0;
    CString m_strOutcome;
};
