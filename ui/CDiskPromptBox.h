#pragma once
// The question for the medium of one disk of a backup, "Please insert disk n !"
// with OK and Cancel, in a box owned by the window that asks.

#include "app/IProgressListener.h"

class CDiskPromptBox : public IDiskPrompt {
public:
    // hOwner: the window the box belongs to, on the calling thread.
    explicit CDiskPromptBox(HWND hOwner) : m_hOwner(hOwner) {}

    BOOL AskForDisk(UINT nDisk) override;

private:
    HWND m_hOwner;
};
