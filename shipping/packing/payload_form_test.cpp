#include "shipping/packing/payload_form.h"

#include <gtest/gtest.h>

namespace kitbag {

TEST(PayloadForm, TheSizeDecidesUnlessTheDataAreaIsAsked) {
    FormChoice choice;
    std::string error;
    ASSERT_TRUE(ChoosePayloadForm(kMaxResourcePayload, false, choice, error));
    EXPECT_EQ(choice.form, PayloadForm::kResources);
    ASSERT_TRUE(ChoosePayloadForm(kMaxResourcePayload + 1, false, choice, error));
    EXPECT_EQ(choice.form, PayloadForm::kDataArea);
    EXPECT_NE(choice.why.find("1073741825 bytes"), std::string::npos) << choice.why;
    ASSERT_TRUE(ChoosePayloadForm(1, true, choice, error));
    EXPECT_EQ(choice.form, PayloadForm::kDataArea);
    ASSERT_TRUE(ChoosePayloadForm(kMaxProductBytes, false, choice, error));
    EXPECT_TRUE(error.empty());
}

TEST(PayloadForm, AProductNoInstallerCanHoldIsRefusedWithItsSize) {
    FormChoice choice;
    std::string error;
    EXPECT_FALSE(ChoosePayloadForm(kMaxProductBytes + 1, true, choice, error));
    EXPECT_NE(error.find(std::to_string(kMaxProductBytes + 1) + " bytes"), std::string::npos)
        << error;
}

} // namespace kitbag
