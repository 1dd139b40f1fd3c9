#include "tests/data/DataTestSupport.h"

#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

namespace test {

void MakeTree(const CString& root, const FileTree& tree)
{
    for (const auto& entry : tree) {
        CString path = CDirectory::Concat(root, entry.first);
        ASSERT_TRUE(CDirectory::Make(path.Left(path.ReverseFind(L'\\')))) << path;
        WriteText(path, entry.second);
    }
}

std::string Pattern(size_t n, unsigned seed)
{
    std::string bytes(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

CHandle LockFile(const CString& path)
{
    return CHandle(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool IsReadOnly(const CString& path)
{
    return (GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY) != 0;
}

} // namespace test
