#pragma once
// The Options page: three check boxes whose clicks write the process-wide
// option flags of an interactive backup. The boxes start unchecked whenever
// the page is created; nothing sets them from the flags.

#include "framework/CPropertyPage.h"

class CPropPageOptions : public CPropertyPage {
public:
    CPropPageOptions();

protected:
    // User-interface thread.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};
