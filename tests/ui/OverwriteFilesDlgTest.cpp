// The real overwrite dialog, answered by clicks and keys.

#include "framework/MessageBox.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/COverwriteFilesDlg.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The dialog window once it shows (null after 20 s).
HWND WaitForDialog()
{
    for (int i = 0; i < 1000; ++i) {
        HWND hDlg = FindWindowW(nullptr, L"Overwrite files");
        if (hDlg && IsWindowVisible(hDlg))
            return hDlg;
        test::PumpMessages(20);
    }
    return nullptr;
}

class OverwriteFilesDlgTest : public test::UiTest {};

TEST_F(OverwriteFilesDlgTest, RealDialogAnswers)
{
    AfxSetDialogResponder(nullptr);
    enum EEnd { Yes = IDOK, No = IDNO, Cancel = IDCANCEL, Close };
    const struct {
        BOOL showBox;
        bool tick;
        EEnd end;
        EOverwriteAnswer result;
        BOOL remembered;
    } cases[] = {
        {TRUE, true, Yes, EOverwriteAnswer::Yes, TRUE},
        {TRUE, true, No, EOverwriteAnswer::No, TRUE},
        {TRUE, false, No, EOverwriteAnswer::No, FALSE},
        {TRUE, true, Cancel, EOverwriteAnswer::Cancel, FALSE},
        {TRUE, true, Close, EOverwriteAnswer::Cancel, FALSE},
        {FALSE, false, Yes, EOverwriteAnswer::Yes, FALSE},
    };
    const CString message = L"The file \nC:\\A & B\\a.dat\nalready exists in\nR:\\b.\nDo you want to overwrite it?";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "end " << c.end << ", box " << c.showBox << ", tick " << c.tick);
        EOverwriteAnswer result = EOverwriteAnswer::No;
        BOOL remembered = -1;
        INT_PTR modal = 0;
        std::thread worker([&] {
            COverwriteFilesDlg dlg(nullptr);
            dlg.SetMessage(message);
            dlg.SetShowRemember(c.showBox);
            modal = dlg.DoModal();
            result = dlg.GetResult();
            remembered = dlg.GetRemember();
        });
        HWND hDlg = WaitForDialog();
        if (!hDlg) {
            ADD_FAILURE() << "the overwrite dialog did not appear";
            worker.join();
            return;
        }
        EXPECT_EQ(nullptr, GetParent(hDlg));
        EXPECT_EQ(message, CWnd::GetText(GetDlgItem(hDlg, IDC_OVERWRITE_MESSAGE)));
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(hDlg, IDC_OVERWRITE_MESSAGE), GWL_STYLE) & SS_NOPREFIX)
            << "the & of a path is no mnemonic";
        HWND hBox = GetDlgItem(hDlg, IDC_OVERWRITE_REMEMBER);
        EXPECT_EQ(c.showBox, IsWindowVisible(hBox));
        // The box's text fits beside its check mark.
        const CString label = CWnd::GetText(hBox);
        SIZE text = {};
        HDC hdc = GetDC(hBox);
        HGDIOBJ hOldFont = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageW(hBox, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(hdc, label, label.GetLength(), &text);
        SelectObject(hdc, hOldFont);
        ReleaseDC(hBox, hdc);
        RECT box;
        GetClientRect(hBox, &box);
        EXPECT_LE(text.cx + GetSystemMetrics(SM_CXMENUCHECK) + 4, box.right) << "the text is clipped";
        if (c.tick)
            SendMessageW(hBox, BM_CLICK, 0, 0);
        if (c.end == Close)
            PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            SendMessageW(GetDlgItem(hDlg, c.end), BM_CLICK, 0, 0);
        worker.join();
        EXPECT_EQ(IDOK, modal) << "every answer ends the dialog the same way";
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.remembered, remembered);
    }
}

} // namespace
