#pragma once
// The removable test drive R: and its four small media (tmpfs volumes made by
// the test fixture). A test inserts a medium, and the next access to R: sees
// that medium, as after a swap of removable media.

#include "framework/CString.h"

namespace test {

class MediaDrive {
public:
    // TRUE when the media exist; otherwise FALSE with the reason (for a skip message).
    static bool Available(CString* pWhyNot);
    // The drive's root, "R:\".
    static CString Root();
    // Puts medium n (1 to 4) into the drive; 0 leaves the drive empty.
    static void Insert(int n);
    // Erases everything on medium n, wherever it is.
    static void Erase(int n);
    // Where medium n lies, whether or not it is in the drive.
    static CString MediumPath(int n);
};

} // namespace test

// Skips the current test with the reason when the removable media are missing.
#define SKIP_WITHOUT_MEDIA()                                                    \
    do {                                                                        \
        CString whyNot_;                                                        \
        if (!test::MediaDrive::Available(&whyNot_))                             \
            GTEST_SKIP() << "removable test media unavailable: " << whyNot_;    \
    } while (0)
