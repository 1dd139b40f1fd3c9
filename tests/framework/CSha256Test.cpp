#include "framework/CSha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// Published test vectors, hashed whole and in uneven pieces as a file's
// blocks arrive.
TEST(CSha256Test, KnownDigestsWholeAndInPieces)
{
    const struct {
        std::string text;
        const wchar_t* hex;
    } cases[] = {
        {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(CString(c.hex), CSha256::ToHex(CSha256::Of(c.text.data(), c.text.size())));
        CSha256 hash;
        for (size_t done = 0, step = 1; done < c.text.size(); done += step, step = step * 7 + 3)
            hash.Update(c.text.data() + done, std::min(step, c.text.size() - done));
        EXPECT_EQ(CString(c.hex), CSha256::ToHex(hash.Finish()));
    }
}
