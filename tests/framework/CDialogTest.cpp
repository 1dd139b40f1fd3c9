// A dialog whose message handler throws stays open and says what went wrong,
// instead of unwinding through the system's dialog code.

#include "framework/CDialog.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

const int kFrameworkFailure = 4001;
const int kOtherFailure = 4002;

class ThrowingDialog : public CDialog {
public:
    ThrowingDialog() : CDialog(IDD_HELP) {}

    int m_nCommands = 0;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(WM_COMMAND, MAKEWPARAM(kFrameworkFailure, BN_CLICKED), 0);
        PostMessage(WM_COMMAND, MAKEWPARAM(kOtherFailure, BN_CLICKED), 0);
        PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        ++m_nCommands;
        if (LOWORD(wParam) == kFrameworkFailure)
            AfxThrowInvalidArgException();
        throw std::runtime_error("no framework exception");
    }
};

} // namespace

TEST(CDialogTest, AHandlerThatThrowsLeavesTheDialogRunningAndSaysSo)
{
    std::vector<CString> boxes;
    AfxSetMessageResponder([&](HWND, const CString& text, const CString&, UINT type) {
        boxes.push_back(text);
        EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), type & MB_ICONMASK);
        return IDOK;
    });
    ThrowingDialog dlg;
    const INT_PTR result = dlg.DoModal();
    AfxSetMessageResponder(nullptr);

    EXPECT_EQ(IDOK, result) << "the dialog went on to its OK";
    EXPECT_EQ(2, dlg.m_nCommands);
    wchar_t expected[256] = L"";
    ASSERT_TRUE(CInvalidArgException().GetErrorMessage(expected, 256));
    EXPECT_EQ((std::vector<CString>{expected, L"An unexpected error occurred."}), boxes);
}
