#pragma once

#include "model/ProgramImage.h"

// A set of a program's channel blocks, one bit per block in the order they are read: bits 0..3
// inputs A..D, bits 4..11 outputs 1..8.
using ChannelBlocks = unsigned;

inline constexpr ChannelBlocks kAllChannelBlocks =
    (1u << (ProgramImage::kInputCount + ProgramImage::kOutputCount)) - 1;

constexpr ChannelBlocks InputBlockBit(int input) {
    return 1u << input;
}

constexpr ChannelBlocks OutputBlockBit(int output) {
    return 1u << (ProgramImage::kInputCount + output);
}

constexpr ChannelBlocks ChannelBlockBit(bool output, int channel) {
    return output ? OutputBlockBit(channel) : InputBlockBit(channel);
}

// The blocks of a model's channels: its first `inputs` inputs and first `outputs` outputs.
constexpr ChannelBlocks ModelChannelBlocks(int inputs, int outputs) {
    return ((1u << inputs) - 1) | (((1u << outputs) - 1) << ProgramImage::kInputCount);
}
