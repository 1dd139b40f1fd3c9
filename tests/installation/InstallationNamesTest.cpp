// The fixed names of the installation: the registry root and the thumbnail.

#include "installation/CDirectory.h"
#include "installation/COrvexRegistry.h"
#include "installation/CPatient.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

TEST(COrvexRegistry, RootTakesASubkeyNameDirectly)
{
    const CTessaroRegistry& registry = gRegistry;
    EXPECT_EQ(registry.GetRegistryRoot(), CString(L"Software\\Tessaro\\ORVEX\\"));
    EXPECT_EQ(registry.GetRegistryRoot() + L"Settings", CString(L"Software\\Tessaro\\ORVEX\\Settings"));
}

TEST(CPatient, ThumbnailNamesFormTheRestoredThumbnailPath)
{
    CString relative = CDirectory::Concat(CPatient::GetThumbnailDirectory(), CPatient::GetThumbnailFileName());
    EXPECT_EQ(relative, CString(L"Thumbnail\\Thumbnail.jpg"));
    EXPECT_EQ(CDirectory::GetFileExtension(CPatient::GetThumbnailFileName()), CString(L".jpg"));
    EXPECT_EQ(CDirectory::SplitPathFromFileNameWithPath(L"C:\\Data\\P\\" + relative),
              CString(L"C:\\Data\\P\\") + CPatient::GetThumbnailDirectory());
}
