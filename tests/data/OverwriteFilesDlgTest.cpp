// The overwrite question: its answers and the remembered choice, through the
// scripted responder and through the real dialog window, run on a worker
// thread without a parent as a backup or restore runs it.

#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "ui/COverwriteFilesDlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class OverwriteFilesDlgTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        // The real dialog is shown unless a test scripts the answer.
        AfxSetDialogResponder(nullptr);
    }
};

TEST_F(OverwriteFilesDlgTest, ScriptedAnswersAndTheRememberedChoice)
{
    UINT seenTemplate = 0;
    CString seenText;
    const struct {
        int button;
        BOOL remember;
        BOOL showRemember;
        UINT result;
        BOOL remembered;
    } cases[] = {
        {IDOK, FALSE, TRUE, COverwriteFilesDlg::ResultYes, FALSE},
        {IDNO, FALSE, TRUE, COverwriteFilesDlg::ResultNo, FALSE},
        {IDOK, TRUE, TRUE, COverwriteFilesDlg::ResultYes, TRUE},
        {IDNO, TRUE, TRUE, COverwriteFilesDlg::ResultNo, TRUE},
        // Cancel ignores the box, and a hidden box cannot be ticked.
        {IDCANCEL, TRUE, TRUE, COverwriteFilesDlg::ResultCancel, FALSE},
        {IDOK, TRUE, FALSE, COverwriteFilesDlg::ResultYes, FALSE},
    };
    for (const auto& c : cases) {
        // The stored choice starts opposite to the answer, so that a change shows.
        const BOOL before = c.button != IDOK;
        gRememberChoice = FALSE;
        gOverwriteChoice = before;
        AfxSetDialogResponder([&](UINT nIdTemplate, const CString& text) {
            seenTemplate = nIdTemplate;
            seenText = text;
            return SDialogAnswer{c.button, c.remember};
        });
        COverwriteFilesDlg dlg(nullptr);
        dlg.SetMessage(L"question");
        dlg.SetShowRemember(c.showRemember);
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(c.result, dlg.GetResult()) << "button " << c.button;
        EXPECT_EQ(c.remembered, gRememberChoice) << "button " << c.button;
        EXPECT_EQ(c.remembered ? !before : before, gOverwriteChoice) << "button " << c.button;
        EXPECT_EQ(150u, seenTemplate);
        EXPECT_EQ(CString(L"question"), seenText);
    }
}

// The real dialog on a thread of its own, as the worker thread of a run shows it.
class DialogOnWorker {
public:
    DialogOnWorker(const CString& message, BOOL bShowRemember)
        : m_thread([this, message, bShowRemember] {
              m_threadId = GetCurrentThreadId();
              COverwriteFilesDlg dlg(nullptr);
              dlg.SetMessage(message);
              dlg.SetShowRemember(bShowRemember);
              m_modalResult = dlg.DoModal();
              m_result = dlg.GetResult();
              m_done = true;
          })
    {
    }
    ~DialogOnWorker()
    {
        if (m_thread.joinable()) {
            // A test that failed before answering must not leave the thread behind.
            if (HWND hDlg = FindDialog())
                PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
            m_thread.join();
        }
    }

    // The visible dialog window, once it is there (null after 20 s).
    HWND WaitForDialog()
    {
        for (int i = 0; i < 1000; ++i) {
            if (HWND hDlg = FindDialog())
                return hDlg;
            test::PumpMessages(20);
        }
        return nullptr;
    }

    // Waits for the dialog to end; its result.
    UINT Result()
    {
        m_thread.join();
        EXPECT_TRUE(m_done);
        EXPECT_EQ(IDOK, m_modalResult) << "every answer ends the dialog the same way";
        return m_result;
    }

private:
    HWND FindDialog() const
    {
        DWORD threadId = m_threadId;
        if (!threadId)
            return nullptr;
        HWND found = nullptr;
        EnumThreadWindows(
            threadId,
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                wchar_t caption[64] = {};
                GetWindowTextW(hWnd, caption, 64);
                if (!IsWindowVisible(hWnd) || wcscmp(caption, L"Overwrite files") != 0)
                    return TRUE;
                *reinterpret_cast<HWND*>(lParam) = hWnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    INT_PTR m_modalResult = 0;
    UINT m_result = 99;
    std::thread m_thread;
};

void Click(HWND hDlg, int nId)
{
    HWND hButton = GetDlgItem(hDlg, nId);
    ASSERT_NE(nullptr, hButton) << "control " << nId;
    SendMessageW(hButton, BM_CLICK, 0, 0);
}

TEST_F(OverwriteFilesDlgTest, RealDialogShowsTheMessageAndTheBox)
{
    DialogOnWorker run(L"The file \nC:\\a.dat\nalready exists in\nR:\\b.\nDo you want to overwrite the existing file?",
                       TRUE);
    HWND hDlg = run.WaitForDialog();
    ASSERT_NE(nullptr, hDlg) << "the overwrite dialog did not appear";
    EXPECT_EQ(nullptr, GetParent(hDlg));
    EXPECT_EQ(CString(L"The file \nC:\\a.dat\nalready exists in\nR:\\b.\nDo you want to overwrite the existing file?"),
              CWnd::GetText(GetDlgItem(hDlg, IDC_OVERWRITE_MESSAGE)));
    HWND hBox = GetDlgItem(hDlg, IDC_OVERWRITE_REMEMBER);
    EXPECT_TRUE(IsWindowVisible(hBox));
    EXPECT_EQ(CString(L"Remember my selection for the following files"), CWnd::GetText(hBox));
    EXPECT_EQ(CString(L"&Yes"), CWnd::GetText(GetDlgItem(hDlg, IDOK)));
    EXPECT_EQ(CString(L"&No"), CWnd::GetText(GetDlgItem(hDlg, IDNO)));
    EXPECT_EQ(CString(L"&Cancel"), CWnd::GetText(GetDlgItem(hDlg, IDCANCEL)));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(hBox, BM_GETCHECK, 0, 0));
    Click(hDlg, IDNO);
    EXPECT_EQ(COverwriteFilesDlg::ResultNo, run.Result());
    EXPECT_FALSE(gRememberChoice);
}

TEST_F(OverwriteFilesDlgTest, RealDialogAnswers)
{
    enum EEnd { ClickYes, ClickNo, ClickCancel, PressEscape, CloseBox };
    const struct {
        bool tick;
        EEnd end;
        UINT result;
        BOOL remembered;
    } cases[] = {
        {true, ClickYes, COverwriteFilesDlg::ResultYes, TRUE},
        {true, ClickNo, COverwriteFilesDlg::ResultNo, TRUE},
        {true, ClickCancel, COverwriteFilesDlg::ResultCancel, FALSE},
        {true, PressEscape, COverwriteFilesDlg::ResultCancel, FALSE},
        {false, CloseBox, COverwriteFilesDlg::ResultCancel, FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end));
        gRememberChoice = FALSE;
        gOverwriteChoice = c.end != ClickYes;
        DialogOnWorker run(L"overwrite?", TRUE);
        HWND hDlg = run.WaitForDialog();
        ASSERT_NE(nullptr, hDlg);
        if (c.tick) {
            Click(hDlg, IDC_OVERWRITE_REMEMBER);
            EXPECT_EQ(BST_CHECKED, SendMessageW(GetDlgItem(hDlg, IDC_OVERWRITE_REMEMBER), BM_GETCHECK, 0, 0));
        }
        switch (c.end) {
        case ClickYes: Click(hDlg, IDOK); break;
        case ClickNo: Click(hDlg, IDNO); break;
        case ClickCancel: Click(hDlg, IDCANCEL); break;
        case PressEscape: PostMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0); break;
        case CloseBox: PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
        EXPECT_EQ(c.result, run.Result());
        EXPECT_EQ(c.remembered, gRememberChoice);
        if (c.remembered) {
            EXPECT_EQ(c.end == ClickYes, gOverwriteChoice != FALSE);
        }
    }
}

TEST_F(OverwriteFilesDlgTest, RealDialogHidesTheBoxWhenAsked)
{
    DialogOnWorker run(L"overwrite?", FALSE);
    HWND hDlg = run.WaitForDialog();
    ASSERT_NE(nullptr, hDlg);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hDlg, IDC_OVERWRITE_REMEMBER)));
    Click(hDlg, IDOK);
    EXPECT_EQ(COverwriteFilesDlg::ResultYes, run.Result());
    EXPECT_FALSE(gRememberChoice);
}

} // namespace
