#include "framework/CSha256.h"

#include <gtest/gtest.h>

#include <string>

// Published test vectors, in the form checksum files carry them.
TEST(CSha256Test, KnownDigests)
{
    const struct {
        std::string text;
        const wchar_t* hex;
    } cases[] = {
        {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.hex), CSha256::ToHex(CSha256::Of(c.text.data(), c.text.size()))) << c.text.size();
}
