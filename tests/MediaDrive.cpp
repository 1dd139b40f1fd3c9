#include "tests/MediaDrive.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

namespace test {

namespace {

CString MediaDir()
{
    return BuildDir() + L"\\media";
}

} // namespace

bool MediaDrive::Available(CString* pWhyNot)
{
    CString unavailable = MediaDir() + L"\\unavailable";
    if (FileExists(unavailable)) {
        std::vector<unsigned char> why = ReadBytes(unavailable);
        if (pWhyNot)
            *pWhyNot = CString(std::string(why.begin(), why.end()).c_str());
        return false;
    }
    if (GetDriveTypeW(Root()) != DRIVE_REMOVABLE) {
        if (pWhyNot)
            *pWhyNot = L"R: is not a removable drive in this prefix";
        return false;
    }
    return true;
}

CString MediaDrive::Root()
{
    return L"R:\\";
}

void MediaDrive::Insert(int n)
{
    CString inserted = MediaDir() + L"\\inserted";
    DeleteFileW(inserted);
    CString request = MediaDir() + L"\\request";
    WriteText(request + L".tmp", std::to_string(n) + "\n");
    MoveFileExW(request + L".tmp", request, MOVEFILE_REPLACE_EXISTING);
    // The media changer answers within a few tens of milliseconds.
    for (int i = 0; i < 400; ++i) {
        if (FileExists(inserted))
            return;
        PumpMessages(25);
    }
    ADD_FAILURE() << "the media changer did not insert medium " << n;
}

void MediaDrive::Erase(int n)
{
    // The medium's own folder is a mount point: it stays, empty.
    RemoveTree(MediumPath(n));
}

CString MediaDrive::MediumPath(int n)
{
    CString path;
    path.Format(L"%s\\m%d", MediaDir().GetString(), n);
    return path;
}

} // namespace test
