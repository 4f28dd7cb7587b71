#include <gtest/gtest.h>

#include "modem/ReceiverOption.h"

TEST(ReceiverOption, NameIsTakenWhereverItStands)
{
    std::vector<std::string> args {"decode", "--receiver", "classic", "in.wav"};
    EXPECT_EQ(TakeReceiverOption(args), TDetectorKind::Classic);
    EXPECT_EQ(args, (std::vector<std::string> {"decode", "in.wav"}));

    args = {"decode", "in.wav", "--receiver=soft"};
    EXPECT_EQ(TakeReceiverOption(args), TDetectorKind::Soft);
    EXPECT_EQ(args, (std::vector<std::string> {"decode", "in.wav"}));

    args = {"decode", "in.wav"};
    EXPECT_EQ(TakeReceiverOption(args), std::nullopt);
}

TEST(ReceiverOption, UnknownOrMissingNameIsAnError)
{
    std::vector<std::string> args {"--receiver", "Soft"};
    EXPECT_THROW(TakeReceiverOption(args), EReceiverOption);
    args = {"decode", "--receiver"};
    EXPECT_THROW(TakeReceiverOption(args), EReceiverOption);
    args = {"--receiver="};
    EXPECT_THROW(TakeReceiverOption(args), EReceiverOption);
}
