#pragma once
// The process-wide flags of a run (app/Globals.h): a test that sets them
// starts and ends with them cleared.

#include "app/Globals.h"

#include <gtest/gtest.h>

namespace test {

inline void ResetFlags()
{
    gAutomatedMode = gSelectModifiedOnly = gDeleteRestorations = FALSE;
    gBackupTiffImages = gVerifyAfterBackup = gRememberChoice = gOverwriteChoice = FALSE;
    gTargetPath = L"";
    gUnattendedOutcome = 0;
}

class FlagsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFlags(); }
    void TearDown() override { ResetFlags(); }
};

} // namespace test
