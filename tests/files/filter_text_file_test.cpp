#include "files/FilterTextFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Shape = RequestedFilter::Shape;

// What a measurement program writes, with the variants other programs use: a header, CRLF line
// ends, "Filter:" without a number, "BW Oct", decimal frequencies, lower case, OFF and empty
// slots.
constexpr const char* kExport = "Filter Settings file\r\n"
                                "\r\n"
                                "Room EQ V5.20\r\n"
                                "Notes: Filter 1 is the room mode\r\n"
                                "Equaliser: Generic\r\n"
                                "Preamp: -6.2 dB\r\n"
                                "Filter  1: ON  PK       Fc    63.5 Hz  Gain  -5.0 dB  Q  4.000\r\n"
                                "Filter: ON PK Fc 1000 Hz Gain 2 dB BW Oct 0.5\r\n"
                                "Filter  3: ON  LS 6dB   Fc   100 Hz  Gain   3.0 dB\r\n"
                                "filter 4: on lsc 12 dB fc 2.5 kHz gain -1.5 db q 0.9\r\n"
                                "Filter  5: OFF HPQ      Fc    80 Hz  Q 0.707\r\n"
                                "Filter  6: ON  LP1      Fc 12000 Hz\r\n"
                                "Filter  7: ON  None\r\n";

TEST(FilterTextFile, ReadsTheFiltersAndPreampOfAMeasurementProgramsExport) {
    FilterText text;
    std::string error;
    ASSERT_TRUE(ParseFilterText(kExport, "eq.txt", text, error)) << error;
    ASSERT_TRUE(text.preampDb);
    EXPECT_DOUBLE_EQ(*text.preampDb, -6.2);
    EXPECT_EQ(text.preampLine, 6);
    ASSERT_EQ(text.filters.size(), 7u);

    const RequestedFilter& peak = text.filters[0];
    EXPECT_EQ(peak.line, 7);
    EXPECT_EQ(peak.shape, Shape::Peaking);
    EXPECT_EQ(peak.text, "ON PK Fc 63.5 Hz Gain -5.0 dB Q 4.000");
    EXPECT_DOUBLE_EQ(peak.hz, 63.5);
    EXPECT_DOUBLE_EQ(peak.gainDb, -5.0);
    EXPECT_DOUBLE_EQ(*peak.q, 4.0);

    EXPECT_DOUBLE_EQ(*text.filters[1].octaves, 0.5);
    EXPECT_FALSE(text.filters[1].q);

    const RequestedFilter& shelf = text.filters[2];
    EXPECT_EQ(shelf.shape, Shape::LowShelf);
    EXPECT_EQ(shelf.type, "LS 6dB");
    EXPECT_DOUBLE_EQ(*shelf.slopeDb, 6.0);
    EXPECT_FALSE(shelf.shelfCorner);

    const RequestedFilter& corner = text.filters[3];
    EXPECT_EQ(corner.type, "LSC 12 dB");
    EXPECT_TRUE(corner.shelfCorner);
    EXPECT_DOUBLE_EQ(corner.hz, 2500.0);
    EXPECT_DOUBLE_EQ(*corner.q, 0.9);

    EXPECT_FALSE(text.filters[4].on);
    EXPECT_EQ(text.filters[4].shape, Shape::HighPass);
    EXPECT_EQ(text.filters[5].shape, Shape::LowPass);
    EXPECT_EQ(text.filters[5].order, 1);
    EXPECT_EQ(text.filters[6].shape, Shape::Empty);
}

struct BadText {
    const char* name;
    std::string content;
    std::string error;
};

class FilterTextBadInput : public testing::TestWithParam<BadText> {};

TEST_P(FilterTextBadInput, IsRefusedNamingTheFileAndLine) {
    FilterText text;
    text.preampDb = 1.0; // left as it is
    std::string error;
    EXPECT_FALSE(ParseFilterText(GetParam().content, "eq.txt", text, error));
    EXPECT_EQ(error, GetParam().error);
    EXPECT_EQ(text.preampDb, 1.0);
    EXPECT_TRUE(text.filters.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilterTextBadInput,
    testing::Values(
        BadText{"NoFilterLines", "Filter Settings file\nPreamp: -3 dB\n",
                "eq.txt: no filter lines (such as \"Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q "
                "1.41\")"},
        BadText{"UnknownType",
                "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\nFilter 2: ON XY Fc 100 Hz\n",
                "eq.txt, line 2: unknown filter type XY"},
        BadText{"ShelfWithAWordForSlope", "Filter 1: ON LS steep Fc 100 Hz Gain 3 dB\n",
                "eq.txt, line 1: unknown filter type LS steep"},
        BadText{"UnknownSetting", "Filter 1: ON PK Fc 100 Hz Gain 1 dB T60 0.3\n",
                "eq.txt, line 1: unknown setting T60 (Fc, Gain, Q and BW Oct are read)"},
        BadText{"NoOnOrOff", "Filter 1: PK Fc 100 Hz Gain 1 dB Q 1\n",
                "eq.txt, line 1: a filter line says ON or OFF after its colon"},
        BadText{"NotANumber", "Filter 1: ON PK Fc nan Hz Gain 1 dB Q 1\n",
                "eq.txt, line 1: Fc nan is not a number"},
        BadText{"PeakWithoutQ", "Filter 1: ON PK Fc 100 Hz Gain 1 dB\n",
                "eq.txt, line 1: PK needs a Q or a BW Oct"},
        BadText{"FrequencyBelowEveryUnit", "Filter 1: ON PK Fc 5 Hz Gain 1 dB Q 1\n",
                "eq.txt, line 1: Fc 5 Hz is beyond what the units hold (10 to 30000 Hz)"},
        BadText{"GainAboveEveryUnit", "Filter 1: ON PK Fc 100 Hz Gain 18 dB Q 1\n",
                "eq.txt, line 1: Gain 18 dB is beyond what the units hold (-30.0 to +15.0 dB)"},
        BadText{"QAboveEveryUnit", "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 40\n",
                "eq.txt, line 1: Q 40 is beyond what the units hold (0.404 to 28.852)"},
        BadText{"ShelfCornerAboveEveryUnit", "Filter 1: ON HS 6dB Fc 20000 Hz Gain 3 dB\n",
                "eq.txt, line 1: Fc 20000 Hz puts the shelf's corner at 44000 Hz, beyond what the "
                "units hold (10 to 30000 Hz)"},
        BadText{"PreampBeyondEveryChannelGain",
                "Preamp: -45 dB\nFilter 1: ON PK Fc 1 kHz Gain 1 dB Q 1\n",
                "eq.txt, line 1: Preamp -45 dB is beyond the channel gains of the units (-40.0 to "
                "+20.0 dB)"},
        BadText{"BinaryData",
                std::string("Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n\x7F"
                            "ELF") +
                    '\0' + "\x02",
                "eq.txt, line 2: binary data: this is not a filter text"}),
    [](const testing::TestParamInfo<BadText>& info) { return std::string(info.param.name); });

TEST(FilterTextFile, ValuesOfFiltersThatAreOffAreNotHeldAgainstTheText) {
    FilterText text;
    std::string error;
    EXPECT_TRUE(ParseFilterText("Filter 1: OFF PK Fc 5 Hz Gain 40 dB Q 100\n"
                                "Filter 2: ON PK Fc 100 Hz Gain 1 dB Q 1\n",
                                "eq.txt", text, error))
        << error;
    EXPECT_EQ(text.filters.size(), 2u);
}

TEST(FilterTextFile, FormattedTextReadsBackTheSameFilters) {
    FilterText text;
    text.comments = {"# Equaliser of out.2"};
    text.preampDb = -3.0;
    RequestedFilter peak;
    peak.type = "PK";
    peak.hz = 1000;
    peak.gainDb = -3.5;
    peak.q = 2.439;
    RequestedFilter section;
    section.shape = Shape::HighPass;
    section.type = "HPQ";
    section.hz = 788.4512;
    section.q = 0.70999;
    text.filters = {peak, section};
    EXPECT_EQ(FormatFilterText(text),
              "# Equaliser of out.2\n"
              "Preamp: -3.0 dB\n"
              "Filter  1: ON  PK        Fc    1000 Hz  Gain  -3.5 dB  Q  2.439\n"
              "Filter  2: ON  HPQ       Fc  788.45 Hz  Q 0.7100\n");
    FilterText back;
    std::string error;
    ASSERT_TRUE(ParseFilterText(FormatFilterText(text), "out.txt", back, error)) << error;
    ASSERT_EQ(back.filters.size(), 2u);
    EXPECT_DOUBLE_EQ(back.filters[0].hz, 1000);
    EXPECT_DOUBLE_EQ(*back.filters[0].q, 2.439);
    EXPECT_DOUBLE_EQ(back.filters[1].hz, 788.45);
    EXPECT_EQ(back.filters[1].shape, Shape::HighPass);
}

} // namespace
