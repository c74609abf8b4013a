// The parameter table: row labels per model, headings, cell texts, print title, CSV and text.

#include "model/ParameterTable.h"

#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> BandBlock(int band) {
    const std::string eq = "EQ" + std::to_string(band) + " ";
    return {eq + "Type", eq + "Gain", eq + "Freq", eq + "BW", eq + "Q", ""};
}

// The labels written out row by row.
std::vector<std::string> ExpectedLabels(int deviceType) {
    std::vector<std::string> labels = {"Name"};
    if (deviceType == 1) {
        labels.push_back("InPut Source");
    }
    for (const char* label : {"NoiseGate", "Gain", "Polarity", "Delay", "Mute"}) {
        labels.push_back(label);
    }
    for (int band = 1; band <= (deviceType == 1 ? 8 : 6); ++band) {
        const auto block = BandBlock(band);
        labels.insert(labels.end(), block.begin(), block.end());
    }
    labels.push_back("Src CHA");
    labels.push_back("Src CHB");
    labels.push_back(deviceType == 3 ? "" : "Src CHC");
    if (deviceType == 1) {
        labels.push_back("Src CHD");
    }
    for (const char* label : {"XType_LPF", "XFreq_LPF", "XSLope_LPF", "XType_HPF", "XFreq_HPF",
                              "XSLope_HPF", "", "Threshold", "Attack", "Release"}) {
        labels.push_back(label);
    }
    if (deviceType == 1) {
        for (const char* label : {"Clip Limit", "Ratio", "Compression Type", "Compression Mode"}) {
            labels.push_back(label);
        }
    }
    return labels;
}

std::unique_ptr<ProgramContainer> Container(int deviceType) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(deviceType);
    return data;
}

int RowOf(const ParameterTable& table, const std::string& label) {
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.cell(r, 0) == label) {
            return r;
        }
    }
    ADD_FAILURE() << "no row " << label;
    return 0;
}

} // namespace

TEST(ParameterTable, RowsAndColumnsPerModel) {
    struct Row {
        const char* model;
        int deviceType;
        int rows;
        std::vector<std::string> headings;
    };
    const Row rows[] = {
        {"4x8",
         1,
         73,
         {"NewProgram", "Input A", "Input B", "Input C", "Input D", "Out1", "Out2", "Out3", "Out4",
          "Out5", "Out6", "Out7", "Out8"}},
        {"3x6",
         2,
         55,
         {"NewProgram", "Input A", "Input B", "Input C", "Out1", "Out2", "Out3", "Out4", "Out5",
          "Out6"}},
        {"2x4", 3, 55, {"NewProgram", "Input A", "Input B", "Out1", "Out2", "Out3", "Out4"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.model);
        const ParameterTable table(*Container(row.deviceType), row.deviceType);
        EXPECT_EQ(table.rowCount(), row.rows);
        EXPECT_EQ(table.headings(), row.headings);
        EXPECT_EQ(ParameterRowLabels(row.deviceType), ExpectedLabels(row.deviceType));
        for (int r = 0; r < table.rowCount(); ++r) {
            ASSERT_EQ(table.row(r).size(), row.headings.size());
        }
    }
    EXPECT_EQ(ParameterTable(*Container(1), 7).rowCount(), 0);
}

TEST(ParameterTable, FreshFourByEightCells) {
    const auto data = Container(1);
    data->setProgramName("Hall");
    const ParameterTable table(*data, 1);
    EXPECT_EQ(table.headings()[0], "Hall");
    struct Cell {
        const char* row;
        int column;
        const char* text;
    };
    const Cell cells[] = {
        {"Name", 1, "A"},
        {"Name", 5, "1"},
        {"InPut Source", 4, "Analog"},
        {"InPut Source", 5, ""},
        {"NoiseGate", 1, "0.0"},
        {"NoiseGate", 5, ""},
        {"Gain", 2, "0.0"},
        {"Polarity", 6, "+Normal"},
        {"Delay", 3, "0.0000ms"},
        {"Mute", 12, "On"},
        {"EQ1 Type", 1, "PEQ"},
        {"EQ1 Gain", 1, "0.0"},
        {"EQ1 Freq", 1, "10"},
        {"EQ1 BW", 1, "0.05"},
        {"EQ1 Q", 1, "28.852"},
        {"EQ8 Type", 4, "PEQ"},
        {"EQ7 Type", 5, ""},
        {"EQ8 Q", 12, ""},
        {"Src CHA", 5, "On"},
        {"Src CHB", 5, "Off"},
        {"Src CHA", 1, ""},
        {"XType_LPF", 5, "BTWorth"},
        {"XFreq_LPF", 5, "30000"},
        {"XSLope_LPF", 5, "12dB"},
        {"XFreq_HPF", 5, "10"},
        {"XFreq_HPF", 1, ""},
        {"Threshold", 5, "10.0"},
        {"Attack", 5, "0.3"},
        {"Release", 5, "2X"},
        {"Clip Limit", 5, ""},
        {"Ratio", 5, ""},
        {"Compression Type", 5, ""},
        {"Compression Mode", 5, "Limit"},
    };
    for (const Cell& cell : cells) {
        SCOPED_TRACE(std::string(cell.row) + " column " + std::to_string(cell.column));
        EXPECT_EQ(table.cell(RowOf(table, cell.row), cell.column), cell.text);
    }
}

TEST(ParameterTable, ShelfBandsLeaveBandwidthAndQEmpty) {
    const auto data = Container(1);
    Filter& peq = data->input(0).filter(0);
    peq.setFrequency(1000);
    peq.setGainIndex(330);
    peq.setBandwidthIndex(24); // 0.29 octaves, Q 4.966
    Filter& shelf = data->output(1).filter(2);
    shelf.setType(1);
    shelf.setSlope(1);
    shelf.setGainIndex(360);
    const ParameterTable table(*data, 1);
    EXPECT_EQ(table.cell(RowOf(table, "EQ1 Gain"), 1), "3.0");
    EXPECT_EQ(table.cell(RowOf(table, "EQ1 Freq"), 1), "1000");
    EXPECT_EQ(table.cell(RowOf(table, "EQ1 BW"), 1), "0.29");
    EXPECT_EQ(table.cell(RowOf(table, "EQ1 Q"), 1), "4.966");
    EXPECT_EQ(table.cell(RowOf(table, "EQ3 Type"), 6), "Lo_Shf 12dB");
    EXPECT_EQ(table.cell(RowOf(table, "EQ3 Gain"), 6), "6.0");
    EXPECT_EQ(table.cell(RowOf(table, "EQ3 BW"), 6), "");
    EXPECT_EQ(table.cell(RowOf(table, "EQ3 Q"), 6), "");
}

TEST(ParameterTable, CompressionRowsShowModeThenType) {
    const auto data = Container(1);
    OutputChannel& out = data->output(3);
    out.setDynamicsType(1);
    out.setDynamicsMode(1);
    out.setRatio(7);
    out.setClipLimit(20);
    const ParameterTable table(*data, 1);
    const int column = 1 + 4 + 3;
    EXPECT_EQ(table.cell(RowOf(table, "Compression Type"), column), "Auto");
    EXPECT_EQ(table.cell(RowOf(table, "Compression Mode"), column), "Compressor");
    EXPECT_EQ(table.cell(RowOf(table, "Attack"), column), "");
    EXPECT_EQ(table.cell(RowOf(table, "Release"), column), "");
    EXPECT_EQ(table.cell(RowOf(table, "Ratio"), column), "1:maximum");
    EXPECT_EQ(table.cell(RowOf(table, "Clip Limit"), column), "4.0");
}

TEST(ParameterTable, SmallModelsListSixInputBandsAndTheirSources) {
    const auto data = Container(3);
    data->output(0).setMix(0x3);
    const ParameterTable table(*data, 3);
    // Two inputs: the third source row has neither label nor cells.
    const int srcB = RowOf(table, "Src CHB");
    EXPECT_EQ(table.cell(srcB, 3), "On");
    EXPECT_EQ(table.cell(srcB + 1, 0), "");
    EXPECT_EQ(table.cell(srcB + 1, 3), "");
    EXPECT_EQ(table.cell(RowOf(table, "Gain"), 1), "0.0"); // index 360 on a 2x4
    EXPECT_EQ(table.cell(RowOf(table, "EQ6 Type"), 2), "PEQ");
}

TEST(ParameterTable, PrintTitleNamesModelAndProgram) {
    const auto data = Container(1);
    data->setProgramName("Hall");
    EXPECT_EQ(ParameterPrintTitle(*data, 1), "Driver Type\xEF\xBC\x9A"
                                             "4x8\r\nProgram Name:Hall");
    EXPECT_EQ(ModelLabel(2), "3x6");
    EXPECT_EQ(ModelLabel(3), "2x4");
}

TEST(ParameterTable, UnprintableBytesOfNamesShowAsSpaces) {
    const auto data = Container(2);
    data->setProgramName("Ha\r\nll\xFF");
    data->input(1).setName("B\x01\x7F");
    data->output(2).setName("\t3");
    const ParameterTable table(*data, 2);
    EXPECT_EQ(table.headings()[0], "Ha  ll ");
    EXPECT_EQ(table.cell(RowOf(table, "Name"), 2), "B  ");
    EXPECT_EQ(table.cell(RowOf(table, "Name"), 6), " 3");
    EXPECT_EQ(ParameterPrintTitle(*data, 2), "Driver Type\xEF\xBC\x9A"
                                             "3x6\r\nProgram Name:Ha  ll ");
    // One CSV line per row: no line break of a name comes through.
    const std::string csv = FormatParameterTableCsv(table);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "Ha  ll ,Input A,Input B,Input C,Out1,Out2,Out3,Out4,Out5,Out6");
}

TEST(ParameterTable, CsvQuotesFieldsThatNeedIt) {
    const auto data = Container(3);
    data->setProgramName("Hall \"B\", left");
    data->input(0).setName("x,y");
    const std::string csv = FormatParameterTableCsv(ParameterTable(*data, 3));
    const std::string head = "\"Hall \"\"B\"\", left\",Input A,Input B,Out1,Out2,Out3,Out4\r\n"
                             "Name,\"x,y\",B,1,2,3,4\r\n"
                             "NoiseGate,0.0,0.0,,,,\r\n";
    EXPECT_EQ(csv.substr(0, head.size()), head);
    std::size_t lines = 0;
    for (std::size_t at = csv.find("\r\n"); at != std::string::npos;
         at = csv.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 1u + 55u);
}

TEST(ParameterTable, TextAlignsColumnsWithoutTrailingSpaces) {
    const auto data = Container(3);
    data->setProgramName("P");
    const std::string text = FormatParameterTableText(ParameterTable(*data, 3));
    // The label column is as wide as "XSLope_HPF"; channel columns as wide as "BTWorth" or
    // "Input A"; two spaces between columns.
    const std::string head = "P           Input A  Input B  Out1     Out2     Out3     Out4\n"
                             "Name        A        B        1        2        3        4\n"
                             "NoiseGate   0.0      0.0\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
}
