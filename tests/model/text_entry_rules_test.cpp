// What may be typed as a name or an interface line, and the leading blanks a program name loses.

#include "model/TextEntryRules.h"

#include <gtest/gtest.h>

TEST(TextEntryRules, OnlyPrintableAsciiIsTypable) {
    struct Row {
        char32_t c;
        bool typable;
    };
    const Row rows[] = {
        {U' ', true},     {U'~', true},  {U'A', true},   {U'0', true},     {U'\t', false},
        {U'\x7F', false}, {U'é', false}, {U'汉', false}, {U'\x1F', false}, {U'\u00A0', false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsTypableCharacter(row.c), row.typable) << static_cast<unsigned>(row.c);
    EXPECT_TRUE(IsTypableText("Sub L 1~"));
    EXPECT_FALSE(IsTypableText("Caf\xE9"));
}

TEST(TextEntryRules, LeadingBlanksAreRemovedAndNothingElse) {
    EXPECT_EQ(WithoutLeadingBlanks("  Hall A "), "Hall A ");
    EXPECT_EQ(WithoutLeadingBlanks(" \t Hall"), "Hall");
    EXPECT_EQ(WithoutLeadingBlanks("    "), "");
    EXPECT_EQ(WithoutLeadingBlanks(""), "");
}
