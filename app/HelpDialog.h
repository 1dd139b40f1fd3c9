#pragma once
// The command-line help: template "HELP" with the help text of the string table.

#include "framework/CDialog.h"

class CHelpDialog : public CDialog {
public:
    explicit CHelpDialog(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
};
