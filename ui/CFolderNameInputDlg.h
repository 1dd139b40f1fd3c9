#pragma once
// Asks for the name of a new folder, centred on the folder browser. A name
// with a backslash is refused and stays in the field to be corrected; other
// names are taken as typed, and the caller turns characters that are invalid
// on disk into their look-alikes.

#include "framework/CDialog.h"

class CFolderNameInputDlg : public CDialog {
public:
    explicit CFolderNameInputDlg(CWnd* pParent = nullptr);

    // The typed name after OK; empty after Cancel.
    const CString& GetFolderName() const { return m_strFolderName; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    CString m_strFolderName;
};
