#include <gtest/gtest.h>

#include "app/Memo.h"

TEST(Memo, EmptyLinesCountAndTheFrontGoesFirst)
{
    TMemo memo;
    EXPECT_EQ(memo.LineCount(), 0);
    memo.AddLine("");
    EXPECT_EQ(memo.LineCount(), 1);
    memo.AddLine(">");
    EXPECT_EQ(memo.Lines(), (QStringList {"", ">"}));
    memo.DeleteFirstLine();
    EXPECT_EQ(memo.Lines(), (QStringList {">"}));
    memo.DeleteFirstLine();
    EXPECT_EQ(memo.LineCount(), 0);
    memo.AddLine("again");
    EXPECT_EQ(memo.Lines(), (QStringList {"again"}));
}

TEST(Memo, LineBreaksInsideATextStartNewLinesAndMarkupIsText)
{
    TMemo memo;
    memo.AddLine("one\r\ntwo\rthree\nfour");
    memo.AddLine("<b>bold</b> &lt;");
    EXPECT_EQ(memo.Lines(), (QStringList {"one", "two", "three", "four", "<b>bold</b> &lt;"}));
}
