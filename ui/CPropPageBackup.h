#pragma once
// The Backup page: the tree of everything that can be backed up, the space the
// selection needs, the name of the new backup folder and the media folder it
// goes into. Start Backup checks the input and runs the backup in the progress
// dialog; afterwards the page builds a fresh, unselected tree. In an unattended
// run the page selects the data and starts the backup by itself.

#include "controls/CCheckboxTree.h"
#include "controls/ICheckBoxListener.h"
#include "framework/CPropertyPage.h"

class CBackupItemRoot;

class CPropPageBackup : public CPropertyPage, private ICheckBoxListener {
public:
    CPropPageBackup();
    ~CPropPageBackup() override;

    // User-interface thread. Replaces the item tree by a fresh one from the
    // live installation, with nothing selected.
    void RebuildTree();
    // The required space and the Start Backup button follow the selection.
    BOOL OnSetActive() override;

    // The root of the tree the page shows; owned by the page.
    CBackupItemRoot* GetRoot() const { return m_pRoot; }

    // The megabytes shown for a selection of nBytes: whole megabytes, plus one
    // for any selection of more than a single byte.
    static LONGLONG RequiredMegabytes(LONGLONG nBytes);
    // "needs about 3 media like R:\" when nBytes do not fit on the medium of
    // strMedia; empty when they fit or the medium's size is unknown.
    static CString MediaNeededText(LONGLONG nBytes, const CString& strMedia);
    // The proposed backup name at the given local time: "Backup : ", the
    // locale's long date without commas, a blank and the time as HH:MM. Empty
    // when the locale is unknown.
    static CString FormatBackupName(const wchar_t* pszLocale, const SYSTEMTIME& time);
    // The name proposed now, in the user's language.
    static CString DefaultBackupName();

protected:
    // User-interface thread.
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ShowMediaNeeded();
    void OnCheckChanged(CTreeItem* pItem) override;
    void OnStartBackup();
    void OnBrowse();
    void OnSelectModified();
    void OnDestroy();
    // TRUE when a backup of the selection into the media folder under this
    // name may start; otherwise the reason is reported.
    // The media field with "/" read as the separator Windows takes it for.
    CString GetMediaPath() const;
    BOOL ValidateInput(const CString& strMedia, const CString& strName);
    // Reports why the input was refused; interactive, the field nFieldId that
    // has to change gets the focus with its text selected.
    void RefuseInput(const CString& strText, int nFieldId);
    // The default name of now in the name field; numbered when a folder of
    // that name exists below the media folder already.
    void ProposeFreshName(const CString& strMedia);
    void BuildTree();

    CCheckboxTree m_tree;
    CBackupItemRoot* m_pRoot;
    LONGLONG m_nRequiredBytes = 0;
};
