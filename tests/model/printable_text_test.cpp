// Unprintable bytes of names shown as spaces.

#include "model/PrintableText.h"

#include <gtest/gtest.h>

#include <string>

TEST(PrintableText, KeepsPrintableAsciiAndBlanksEveryOtherByte) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string shown;
    };
    const Case cases[] = {
        {"space and tilde are the printable ends", " Hall~", " Hall~"},
        {"0x1F below the space",
         "A\x1F"
         "B",
         "A B"},
        {"DEL 0x7F above the tilde",
         "A\x7F"
         "B",
         "A B"},
        {"CR LF and tab", "L\r\n\tR", "L   R"},
        {"bytes of the upper half, one space each", "\xC3\xA9\xFF\x80", "    "},
        {"a NUL inside keeps the length", std::string("A\0B", 3), "A B"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PrintableText(c.bytes), c.shown);
    }
}
