#pragma once
// Asks for the name of a new folder. The name is taken as typed; the caller
// turns characters that are invalid on disk into their look-alikes.

#include "framework/CDialog.h"

class CFolderNameInputDlg : public CDialog {
public:
    explicit CFolderNameInputDlg(CWnd* pParent = nullptr);

    // The typed name after OK; empty after Cancel.
    const CString& GetFolderName() const { return m_strFolderName; }

protected:
    void OnOK() override;
    void OnCancel() override;

private:
    CString m_strFolderName;
};
