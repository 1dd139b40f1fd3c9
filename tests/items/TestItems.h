#pragma once
// Small concrete items for the item-base and driver tests. Items and the run
// recorder write into one event list, so a test can compare a whole run with
// the sequence it expects.

#include "items/CBackupItem.h"
#include "tests/RunRecorder.h"

#include <functional>
#include <vector>

namespace test {

// A node with the base rules only; it notes the walks that reach it.
class PlainItem : public CBackupItem {
public:
    explicit PlainItem(const wchar_t* pszName, Events* pEvents = nullptr, int* pDeleted = nullptr)
        : m_pEvents(pEvents), m_pDeleted(pDeleted)
    {
        SetName(pszName);
    }
    ~PlainItem() override { if (m_pDeleted) ++*m_pDeleted; }

    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}
    void Backup(const CString& s, IProgressListener* p) override { Note(L"backup"); CBackupItem::Backup(s, p); }
    void Restore(const CString& s, IProgressListener* p) override { Note(L"restore"); CBackupItem::Restore(s, p); }
    void Verify(const CString& s, IProgressListener* p) override { Note(L"verify"); CBackupItem::Verify(s, p); }
    void DeleteRestorations(IProgressListener* p) override { Note(L"delete"); CBackupItem::DeleteRestorations(p); }

    // Appends an owned child and returns it.
    template <class T>
    T* Add(T* pChild)
    {
        AddChild(pChild);
        return pChild;
    }

protected:
    void Note(const wchar_t* pszWhat)
    {
        if (m_pEvents)
            m_pEvents->push_back(CString(pszWhat) + L" " + GetName());
    }

    Events* m_pEvents;
    int* m_pDeleted;
};

// The top of a test tree: like the real root it adds no directory level, and
// it stops between its children once the run is cancelled.
class RootItem : public PlainItem {
public:
    explicit RootItem(Events* pEvents) : PlainItem(L"root", pEvents) {}
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
};

// One real file copied under its own name. A full medium ends the medium
// (CBackupException 6) unless it is fresh from a change: then the file never
// fits, is reported as not copied and the run goes on. Verify compares.
class FileItem : public PlainItem {
public:
    FileItem(const CString& strSource, Events* pEvents);

    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Verify(const CString& strDir, IProgressListener* pListener) override;

    // The copy gets a flipped first byte, as from a failing medium.
    bool m_bCorruptCopy = false;
    // Called after the copy succeeded (the Cancel button).
    std::function<void()> m_onCopied;

private:
    CString m_strSource;
    bool m_bGaveUp = false;
};

// A leaf that runs a test's action (throw, cancel, report) when it is backed up or restored.
class ActionItem : public PlainItem {
public:
    explicit ActionItem(std::function<void()> action) : PlainItem(L"action"), m_action(std::move(action)) {}
    void Backup(const CString&, IProgressListener*) override { m_action(); }
    void Restore(const CString&, IProgressListener*) override { m_action(); }

private:
    std::function<void()> m_action;
};

// A text of the test program's string table (the program's own strings).
CString StringOf(UINT nId);

} // namespace test
