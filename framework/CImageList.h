#pragma once
// Owns one image list of the common controls and destroys it when it goes
// away. A control the list is attached to does not own it: the list must
// outlive its use there (or be detached first).

#include <windows.h>

#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // Replaces any list held so far. nFlags: ILC_COLOR32 and the like.
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
    {
        Destroy();
        m_hImageList = ::ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
        return m_hImageList != nullptr;
    }
    void Destroy()
    {
        if (m_hImageList)
            ::ImageList_Destroy(m_hImageList);
        m_hImageList = nullptr;
    }

    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    int GetImageCount() const { return ::ImageList_GetImageCount(m_hImageList); }
    // Grows or shrinks the list to nCount images (new ones are blank).
    BOOL SetImageCount(UINT nCount) { return ::ImageList_SetImageCount(m_hImageList, nCount); }
    // Copies the bitmaps into image nImage; they stay the caller's and must
    // not be selected into a DC.
    BOOL Replace(int nImage, HBITMAP hbmImage, HBITMAP hbmMask)
    {
        return ::ImageList_Replace(m_hImageList, nImage, hbmImage, hbmMask);
    }

private:
    HIMAGELIST m_hImageList = nullptr;
};
