#include "ui/vbkeys.h"

#include <gtest/gtest.h>

namespace {

TEST(VbKeysTest, KeyCodesOfTheKeysTheDeskWatches)
{
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Return, Qt::NoModifier), 13);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Enter, Qt::KeypadModifier), 13);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Escape, Qt::NoModifier), 27);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Q, Qt::ShiftModifier), 81);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_4, Qt::NoModifier), 52);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_4, Qt::KeypadModifier), 100);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_F2, Qt::NoModifier), 113);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Backspace, Qt::NoModifier), 8);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Delete, Qt::NoModifier), 46);
    EXPECT_EQ(VbKeys::keyCode(Qt::Key_Eacute, Qt::NoModifier), 0);
}

TEST(VbKeysTest, ShiftStateBits)
{
    EXPECT_EQ(VbKeys::shiftState(Qt::NoModifier), 0);
    EXPECT_EQ(VbKeys::shiftState(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(VbKeys::shiftState(Qt::ControlModifier | Qt::KeypadModifier), 2);
}

} // namespace
