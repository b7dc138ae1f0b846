#include "host/html/DataUrl.h"

#include <gtest/gtest.h>

namespace tavlora::host::html {
namespace {

TEST(DataUrl, EncodesEveryTailLengthAndEveryByte) {
    // The test vectors of RFC 4648.
    EXPECT_EQ(dataUrl("image/png", ""), "data:image/png;base64,");
    EXPECT_EQ(dataUrl("image/png", "f"), "data:image/png;base64,Zg==");
    EXPECT_EQ(dataUrl("image/png", "fo"), "data:image/png;base64,Zm8=");
    EXPECT_EQ(dataUrl("image/png", "foo"), "data:image/png;base64,Zm9v");
    EXPECT_EQ(dataUrl("image/gif", "foobar"), "data:image/gif;base64,Zm9vYmFy");
    // High bytes are not sign-extended into the neighbouring digits.
    EXPECT_EQ(dataUrl("image/jpeg", std::string("\xFF\xD8\xFF\x00\x80", 5)), "data:image/jpeg;base64,/9j/AIA=");
}

}  // namespace
}  // namespace tavlora::host::html
