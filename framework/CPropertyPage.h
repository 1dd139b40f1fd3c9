#pragma once
// One page of a property sheet: a dialog from a template that the sheet
// creates when the page is first activated.

#include "framework/CDialog.h"

#include <prsht.h>

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT nIdTemplate);

    // The page becomes the visible one; FALSE refuses the activation.
    virtual BOOL OnSetActive();
    // The page is about to be left; FALSE keeps it.
    virtual BOOL OnKillActive();

    // The page's description for the sheet.
    PROPSHEETPAGEW GetPageDescription();

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // A page ends with its sheet, never by itself.
    void OnOK() override {}
    void OnCancel() override {}

private:
    static INT_PTR CALLBACK PageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
