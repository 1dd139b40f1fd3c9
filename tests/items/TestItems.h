#pragma once
// Small concrete items for the item-base and driver tests, and a run that
// records what the driver shows. Items and run write into one event list, so
// a test can compare a whole run with the sequence it expects.

#include "app/Backup.h"
#include "items/CBackupItem.h"

#include <functional>
#include <vector>

namespace test {

using Events = std::vector<CString>;

// A node with the base rules only; it notes the operations that reach it.
class PlainItem : public CBackupItem {
public:
    explicit PlainItem(const wchar_t* pszName, Events* pEvents = nullptr, int* pDeleted = nullptr);
    ~PlainItem() override;

    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}
    void SetCheck(UINT nCheck) override;
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
    void Verify(const CString& strDir, IProgressListener* pListener) override;
    void DeleteRestorations(IProgressListener* pListener) override;
    void SelectModified() override;
    BOOL HasItemsOnDisk(UINT nDisk) override;

    // Appends an owned child and returns it.
    template <class T>
    T* Add(T* pChild)
    {
        AddChild(pChild);
        return pChild;
    }
    void SetDiskNumber(UINT nDisk) { m_nDiskNumber = nDisk; }
    void SetSize(LONGLONG nSize) { m_nSize = nSize; }

protected:
    void Note(const wchar_t* pszWhat);

    Events* m_pEvents;
    int* m_pDeleted;
};

// A leaf whose size counts only while it is selected, as the concrete items do.
class SizedItem : public PlainItem {
public:
    SizedItem(const wchar_t* pszName, LONGLONG nSize) : PlainItem(pszName), m_nFixedSize(nSize) {}
    LONGLONG CalculateSize() override { return GetCheck() ? m_nFixedSize : 0; }

private:
    LONGLONG m_nFixedSize;
};

// The top of a test tree: like the real root it adds no directory level, and
// it stops between its children once the run is cancelled.
class RootItem : public PlainItem {
public:
    explicit RootItem(Events* pEvents) : PlainItem(L"root", pEvents) {}
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
};

// One real file copied into the destination directory under its own name. A
// full removable medium ends the medium (CBackupException 6) unless the medium
// is fresh from a change: the file will never fit, so it is reported as not
// copied and the run goes on. Verify compares the copy with the file.
class FileItem : public PlainItem {
public:
    FileItem(const CString& strSource, Events* pEvents);

    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Verify(const CString& strDir, IProgressListener* pListener) override;

    // The copy gets a flipped first byte, as from a failing medium.
    bool m_bCorruptCopy = false;
    // Called right before the copy is tried, and after it succeeded (the
    // Cancel button, a test's probe).
    std::function<void()> m_onCopying;
    std::function<void()> m_onCopied;

private:
    CString m_strSource;
    bool m_bGaveUp = false;
};

// A leaf that does what a test gives it (throw, cancel) when it is backed up
// or restored.
class ActionItem : public PlainItem {
public:
    explicit ActionItem(std::function<void()> action) : PlainItem(L"action"), m_action(std::move(action)) {}
    void Backup(const CString&, IProgressListener*) override { m_action(); }
    void Restore(const CString&, IProgressListener*) override { m_action(); }

private:
    std::function<void()> m_action;
};

// A leaf that reports itself as failed when it is backed up, restored or verified.
class FailingItem : public PlainItem {
public:
    FailingItem(const wchar_t* pszName, ERunFailure kind, Events* pEvents) : PlainItem(pszName, pEvents), m_kind(kind) {}
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
    void Verify(const CString& strDir, IProgressListener* pListener) override;

private:
    ERunFailure m_kind;
};

// The visible side of a run, recorded: "status <text>", "error <id>",
// "error <text>", "info <id>", "pos <n>", "finish".
class RecordingRun : public CBackup {
public:
    explicit RecordingRun(Events* pEvents) : m_pEvents(pEvents) {}

    void AddProgress(LONGLONG nBytes) override { m_nProgress += nBytes; }
    void SetStatusText(const CString& strText) override { m_pEvents->push_back(L"status " + strText); }
    void ShowError(UINT nId) override;
    void ShowErrorText(const CString& strText) override { m_pEvents->push_back(L"error " + strText); }
    void SetProgressPos(int nPos) override;
    int GetProgressPos() override { return m_nPos; }
    void Finish() override { m_pEvents->push_back(L"finish"); }
    void ShowInfo(UINT nId) override;

    LONGLONG m_nProgress = 0;

private:
    Events* m_pEvents;
    int m_nPos = -1;
};

// A text of the test program's string table (the program's own strings).
CString StringOf(UINT nId);

} // namespace test
