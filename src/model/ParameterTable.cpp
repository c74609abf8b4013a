#include "model/ParameterTable.h"

#include "model/DeviceModel.h"
#include "model/ParameterScales.h"
#include "model/PrintableText.h"
#include "model/ProgramContainer.h"

#include <algorithm>
#include <array>
#include <functional>

namespace {

// What a row shows. Band rows carry the band number, source rows the input number.
enum class Field {
    Blank,
    Name,
    InputSource,
    NoiseGate,
    Gain,
    Polarity,
    Delay,
    Mute,
    BandType,
    BandGain,
    BandFreq,
    BandBandwidth,
    BandQ,
    Source,
    LowPassType,
    LowPassFreq,
    LowPassSlope,
    HighPassType,
    HighPassFreq,
    HighPassSlope,
    Threshold,
    Attack,
    Release,
    ClipLimit,
    Ratio,
    CompressionType,
    CompressionMode,
};

struct RowSpec {
    std::string label;
    Field field;
    int item = 0; // band 0..7 or input 0..3
};

std::vector<RowSpec> RowSpecs(const DeviceModel& model) {
    std::vector<RowSpec> rows;
    rows.push_back({"Name", Field::Name});
    if (model.hasInputSource) {
        rows.push_back({"InPut Source", Field::InputSource});
    }
    rows.push_back({"NoiseGate", Field::NoiseGate});
    rows.push_back({"Gain", Field::Gain});
    rows.push_back({"Polarity", Field::Polarity});
    rows.push_back({"Delay", Field::Delay});
    rows.push_back({"Mute", Field::Mute});
    for (int b = 0; b < model.inputBands; ++b) {
        const std::string eq = "EQ" + std::to_string(b + 1) + " ";
        rows.push_back({eq + "Type", Field::BandType, b});
        rows.push_back({eq + "Gain", Field::BandGain, b});
        rows.push_back({eq + "Freq", Field::BandFreq, b});
        rows.push_back({eq + "BW", Field::BandBandwidth, b});
        rows.push_back({eq + "Q", Field::BandQ, b});
        rows.push_back({"", Field::Blank});
    }
    for (int i = 0; i < model.dataViewSourceRows; ++i) {
        if (i < model.inputs) {
            rows.push_back({std::string(model.SourceRowLabel(i)), Field::Source, i});
        } else {
            rows.push_back({"", Field::Blank});
        }
    }
    rows.push_back({"XType_LPF", Field::LowPassType});
    rows.push_back({"XFreq_LPF", Field::LowPassFreq});
    rows.push_back({"XSLope_LPF", Field::LowPassSlope});
    rows.push_back({"XType_HPF", Field::HighPassType});
    rows.push_back({"XFreq_HPF", Field::HighPassFreq});
    rows.push_back({"XSLope_HPF", Field::HighPassSlope});
    rows.push_back({"", Field::Blank});
    rows.push_back({"Threshold", Field::Threshold});
    rows.push_back({"Attack", Field::Attack});
    rows.push_back({"Release", Field::Release});
    if (model.hasFullDynamics) {
        rows.push_back({"Clip Limit", Field::ClipLimit});
        rows.push_back({"Ratio", Field::Ratio});
        rows.push_back({"Compression Type", Field::CompressionType});
        rows.push_back({"Compression Mode", Field::CompressionMode});
    }
    return rows;
}

bool IsShelf(const Filter& band) {
    return band.type() == kBandLowShelf || band.type() == kBandHighShelf;
}

// The cell of an equaliser band row; bandwidth and Q are left empty for a shelf.
std::string BandCell(const Filter& band, Field field) {
    switch (field) {
    case Field::BandType:
        return band.typeText();
    case Field::BandGain:
        return band.gainText();
    case Field::BandFreq:
        return band.frequencyText();
    case Field::BandBandwidth:
        return IsShelf(band) ? std::string() : band.bandwidthText();
    case Field::BandQ:
        return IsShelf(band) ? std::string() : band.qText();
    default:
        return {};
    }
}

bool IsBandField(Field field) {
    return field == Field::BandType || field == Field::BandGain || field == Field::BandFreq ||
           field == Field::BandBandwidth || field == Field::BandQ;
}

// Input columns show nothing from the first "Src" row on.
std::string InputCell(const ProgramContainer& data, const InputChannel& in, const RowSpec& row) {
    if (IsBandField(row.field)) {
        return row.item < InputChannel::kBandCount ? BandCell(in.filter(row.item), row.field)
                                                   : std::string();
    }
    switch (row.field) {
    case Field::Name:
        return in.displayName();
    case Field::InputSource:
        return data.inputSourceText();
    case Field::NoiseGate:
        return in.gateText();
    case Field::Gain:
        return in.gainText();
    case Field::Polarity:
        return in.polarityText();
    case Field::Delay:
        return in.delayText();
    case Field::Mute:
        return in.stateText();
    default:
        return {};
    }
}

std::string OutputCell(const DeviceModel& model, const OutputChannel& out, const RowSpec& row) {
    if (IsBandField(row.field)) {
        // Outputs have fewer bands: the EQ7 and EQ8 rows of the 4x8 stay empty.
        return row.item < model.outputBands ? BandCell(out.filter(row.item), row.field)
                                            : std::string();
    }
    switch (row.field) {
    case Field::Name:
        return out.displayName();
    case Field::Gain:
        return out.gainText();
    case Field::Polarity:
        return out.polarityText();
    case Field::Delay:
        return out.delayText();
    case Field::Mute:
        return out.stateText();
    case Field::Source:
        return out.mixText(row.item);
    case Field::LowPassType:
        return out.lowPass().kindText();
    case Field::LowPassFreq:
        return out.lowPass().frequencyText();
    case Field::LowPassSlope:
        return out.lowPass().crossoverSlopeText();
    case Field::HighPassType:
        return out.highPass().kindText();
    case Field::HighPassFreq:
        return out.highPass().frequencyText();
    case Field::HighPassSlope:
        return out.highPass().crossoverSlopeText();
    case Field::Threshold:
        return out.thresholdText();
    case Field::Attack:
        return out.attackText();
    case Field::Release:
        return out.releaseText();
    case Field::ClipLimit:
        return out.clipLimitText();
    case Field::Ratio:
        return out.ratioText();
    // The row labelled "Compression Type" lists the mode (Auto/Manual) and the row labelled
    // "Compression Mode" the type (Limit/Compressor), as the unit's printed lists always have.
    case Field::CompressionType:
        return out.dynamicsModeText();
    case Field::CompressionMode:
        return out.dynamicsTypeText();
    default:
        return {};
    }
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void AppendCsvLine(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += CsvField(fields[i]);
    }
    out += "\r\n";
}

void AppendTextLine(std::string& out, const std::vector<std::string>& fields,
                    const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += "  ";
        }
        line += fields[i];
        line.append(widths[i] - fields[i].size(), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line;
    out += '\n';
}

} // namespace

ParameterTable::ParameterTable(const ProgramContainer& data, int deviceType)
    : deviceType_(deviceType) {
    headings_.push_back(PrintableText(data.programName()));
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr) {
        return;
    }
    inputColumns_ = model->inputs;
    outputColumns_ = model->outputs;
    for (int i = 0; i < inputColumns_; ++i) {
        headings_.emplace_back(model->InputLabel(i));
    }
    for (int o = 0; o < outputColumns_; ++o) {
        headings_.emplace_back(model->OutputHeading(o));
    }
    for (const RowSpec& row : RowSpecs(*model)) {
        std::vector<std::string> cells;
        cells.reserve(headings_.size());
        cells.push_back(row.label);
        for (int i = 0; i < inputColumns_; ++i) {
            cells.push_back(PrintableText(InputCell(data, data.input(i), row)));
        }
        for (int o = 0; o < outputColumns_; ++o) {
            cells.push_back(PrintableText(OutputCell(*model, data.output(o), row)));
        }
        rows_.push_back(std::move(cells));
    }
}

std::vector<std::string> ParameterRowLabels(int deviceType) {
    std::vector<std::string> labels;
    if (const DeviceModel* model = FindDeviceModel(deviceType)) {
        for (const RowSpec& row : RowSpecs(*model)) {
            labels.push_back(row.label);
        }
    }
    return labels;
}

std::string_view ModelLabel(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model != nullptr ? model->label : std::string_view{};
}

std::string ParameterPrintTitle(const ProgramContainer& data, int deviceType) {
    return "Driver Type\xEF\xBC\x9A" + std::string(ModelLabel(deviceType)) +
           "\r\nProgram Name:" + PrintableText(data.programName());
}

std::string FormatParameterTableCsv(const ParameterTable& table) {
    std::string out;
    AppendCsvLine(out, table.headings());
    for (int r = 0; r < table.rowCount(); ++r) {
        AppendCsvLine(out, table.row(r));
    }
    return out;
}

std::string FormatParameterTableText(const ParameterTable& table) {
    std::vector<std::size_t> widths(table.headings().size(), 0);
    const auto widen = [&widths](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            widths[i] = std::max(widths[i], fields[i].size());
        }
    };
    widen(table.headings());
    for (int r = 0; r < table.rowCount(); ++r) {
        widen(table.row(r));
    }
    std::string out;
    AppendTextLine(out, table.headings(), widths);
    for (int r = 0; r < table.rowCount(); ++r) {
        AppendTextLine(out, table.row(r), widths);
    }
    return out;
}
