#pragma once
// What the items of a run see of the run: progress, messages, cancellation,
// and the questions a run asks the user. Called on the worker thread of the
// run; the engine never opens a window of its own: whoever shows the run
// answers its questions, the progress dialog in front of itself.

#include "framework/CSha256.h"
#include "framework/CString.h"

// A file the run could not back up safely; the driver counts these to choose
// its final message and the exit code of an unattended run.
enum class ERunFailure {
    CopyFailed,   // the file was not copied (medium full, unreadable or locked source, ...)
    VerifyFailed, // the copy differs from the live file or could not be read back
    DataPathMissing, // the patient data folder (the "file") does not exist: no patient data saved
    Damaged,      // a restore found the copy on the medium other than its checksum says: not restored
};

// Why a case directory stays in the installation although its restoration
// data was to be deleted.
enum class ECaseKept {
    NotInBackup,  // it holds files that are not in this backup
    FileFailed,   // one of its files was not copied or did not verify
    DeleteFailed, // deleting it failed; the system's error says why
};

// What the checksum file of the medium in the drive says of one copy on it.
enum class EChecksum {
    NoChecksumFile, // a backup from before checksums, or none could be read
    NotListed,      // the medium has a checksum file, but no line for the copy
    Listed,         // the digest the copy must have
};

// Asks for the medium that holds one disk of a backup. A restore asks it on
// its worker thread through its listener; the Restore page, while it reads a
// backup, on the user-interface thread.
class IDiskPrompt {
public:
    // TRUE once the user says the medium of disk nDisk is in the drive; FALSE
    // when they give up.
    virtual BOOL AskForDisk(UINT nDisk) = 0;

protected:
    ~IDiskPrompt() = default;
};

class IProgressListener : public IDiskPrompt {
public:
    // Advances the progress display by a number of bytes.
    virtual void AddProgress(LONGLONG nBytes) = 0;
    // TRUE once the run is to stop; items poll it before each unit of work.
    virtual BOOL IsCancelled() = 0;
    // Asks the run to stop.
    virtual void Cancel() = 0;
    virtual ~IProgressListener() = default;
    virtual void SetStatusText(const CString& strText) = 0;
    // Shows a string of the string table as an error; nothing in unattended mode.
    virtual void ShowError(UINT nStringId) = 0;
    virtual void SetProgressPos(int nPos) = 0;
    virtual int GetProgressPos() = 0;
    // The run is over: closes the progress display (and, unattended, the application).
    virtual void Finish() = 0;
    // Shows a string of the string table as information; nothing in unattended mode.
    virtual void ShowInfo(UINT nStringId) = 0;
    // Records a file that could not be copied or verified; nError is the
    // system's error code of the failure where there is one.
    virtual void ReportFailure(ERunFailure kind, const CString& strFile, DWORD nError = ERROR_SUCCESS) = 0;
    // A restore wrote nBytes of what an item holds back into the installation.
    virtual void ReportCopied(LONGLONG nBytes) = 0;
    // A verification found nBytes of a copy equal to its file.
    virtual void ReportVerified(LONGLONG nBytes) = 0;
    // TRUE while nothing has been copied onto the medium that the last medium
    // change brought: a file that does not fit then will never fit.
    virtual BOOL IsFreshMedium() = 0;
    // Shows a ready-made text as an error; nothing in unattended mode.
    virtual void ShowErrorText(const CString& strText) = 0;
    // Shows a ready-made text as information; nothing in unattended mode.
    virtual void ShowInfoText(const CString& strText) = 0;
    // A live case directory stays although its restoration data was to be
    // deleted, for this reason (nError: the system's error of a failed deletion).
    virtual void ReportCaseKept(const CString& strCaseDir, ECaseKept reason, DWORD nError = ERROR_SUCCESS) = 0;
    // A live case directory was deleted with the restoration data.
    virtual void ReportCaseDeleted(const CString& strCaseDir) = 0;
    // Whether the existing file strFile may be overwritten; strMessage asks
    // it. An answer the user asked to remember answers the rest of the run's
    // questions; Cancel stops the run (and answers FALSE).
    virtual BOOL AskOverwrite(const CString& strMessage, const CString& strFile) = 0;
    // The file the run works on now, for a display of the run's detail.
    virtual void SetCurrentFile(const CString& strPath) = 0;
    // A backup's medium is full: TRUE once the user says the next medium is
    // in the drive, FALSE when they give up. strText names the disk wanted.
    virtual BOOL AskForMedium(const CString& strText) = 0;
    // Before a file is written onto a backup's medium at strPath: FALSE when
    // the medium has no room left for what its bookkeeping keeps of the
    // file; the file then goes onto the next medium, as on a full one.
    virtual BOOL KeepRoomFor(const CString& strPath) = 0;
    // A file of nBytes was written onto a backup's medium at strPath; digest
    // is the SHA-256 of the bytes written.
    virtual void ReportWritten(const CString& strPath, LONGLONG nBytes, const CSha256::Digest& digest) = 0;
    // A restore: the medium in the drive holds the backup directory
    // strBackupDir now, with its checksum file if it has one.
    virtual void BeginMedium(const CString& strBackupDir) = 0;
    // A restore: what the medium's checksum file says of the copy at strPath.
    virtual EChecksum LookUpChecksum(const CString& strPath, CSha256::Digest& digest) = 0;
};
