#include "model/ParameterTable.h"

#include "model/DeviceModel.h"
#include "model/ParameterRegistry.h"
#include "model/PrintableText.h"
#include "model/ProgramContainer.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

// A row of the table: its label and the parameter it shows (none: a blank row). Band rows carry
// the band, source rows the input.
struct RowSpec {
    std::string label;
    std::optional<ParameterField> field = std::nullopt;
    int item = 0; // band 0..7 or input 0..3
};

std::vector<RowSpec> RowSpecs(const DeviceModel& model) {
    std::vector<RowSpec> rows;
    rows.push_back({"Name", ParameterField::Name});
    if (model.hasInputSource) {
        rows.push_back({"InPut Source", ParameterField::InputSource});
    }
    rows.push_back({"NoiseGate", ParameterField::Gate});
    rows.push_back({"Gain", ParameterField::Gain});
    rows.push_back({"Polarity", ParameterField::Polarity});
    rows.push_back({"Delay", ParameterField::Delay});
    rows.push_back({"Mute", ParameterField::Mute});
    for (int b = 0; b < model.inputBands; ++b) {
        const std::string eq = "EQ" + std::to_string(b + 1) + " ";
        rows.push_back({eq + "Type", ParameterField::BandType, b});
        rows.push_back({eq + "Gain", ParameterField::BandGain, b});
        rows.push_back({eq + "Freq", ParameterField::BandFrequency, b});
        rows.push_back({eq + "BW", ParameterField::BandBandwidth, b});
        rows.push_back({eq + "Q", ParameterField::BandQ, b});
        rows.push_back({""});
    }
    for (int i = 0; i < model.dataViewSourceRows; ++i) {
        if (i < model.inputs) {
            rows.push_back({std::string(model.SourceRowLabel(i)), ParameterField::Source, i});
        } else {
            rows.push_back({""});
        }
    }
    rows.push_back({"XType_LPF", ParameterField::LowPassKind});
    rows.push_back({"XFreq_LPF", ParameterField::LowPassFrequency});
    rows.push_back({"XSLope_LPF", ParameterField::LowPassSlope});
    rows.push_back({"XType_HPF", ParameterField::HighPassKind});
    rows.push_back({"XFreq_HPF", ParameterField::HighPassFrequency});
    rows.push_back({"XSLope_HPF", ParameterField::HighPassSlope});
    rows.push_back({""});
    rows.push_back({"Threshold", ParameterField::LimiterThreshold});
    rows.push_back({"Attack", ParameterField::Attack});
    rows.push_back({"Release", ParameterField::Release});
    if (model.hasFullDynamics) {
        rows.push_back({"Clip Limit", ParameterField::ClipLimit});
        rows.push_back({"Ratio", ParameterField::Ratio});
        // The row labelled "Compression Type" lists the mode (Auto/Manual) and the row labelled
        // "Compression Mode" the type (Limit/Compressor), as the unit's printed lists always have.
        rows.push_back({"Compression Type", ParameterField::DynamicsMode});
        rows.push_back({"Compression Mode", ParameterField::DynamicsType});
    }
    return rows;
}

// A row's cell in a channel's column: the parameter's display text where the channel has it
// (bands past an output's last and the outputs' rows stay empty in other columns). The unit-wide
// input source is listed in the input columns.
std::string Cell(const DeviceModel& model, const ProgramContainer& data, const RowSpec& row,
                 ChannelId channel) {
    if (!row.field) {
        return {};
    }
    ParameterKey key = BandKey(channel, row.item, *row.field); // item 0 past the band rows
    if (*row.field == ParameterField::Source) {
        if (!channel.output) {
            return {};
        }
        key = SourceKey(channel.index, row.item);
    } else if (*row.field == ParameterField::InputSource) {
        if (channel.output) {
            return {};
        }
        key = UnitKey(*row.field);
    }
    if (!ParameterRegistry::Offers(model, key)) {
        return {};
    }
    return ParameterRegistry::DisplayText(data, key);
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
            cells.push_back(PrintableText(Cell(*model, data, row, {false, i})));
        }
        for (int o = 0; o < outputColumns_; ++o) {
            cells.push_back(PrintableText(Cell(*model, data, row, {true, o})));
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
