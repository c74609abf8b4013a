#pragma once

#include "model/ProgramImage.h"

class ProgramContainer;

// A stored program with every field away from its default and inside the ranges of every model:
// names "Stage Left", "Input0".., "Out0"..; values differ per channel and band.
ProgramImage SampleImage();

// True while any record of the container has a change flag raised: what the pending-change scan
// would still send.
bool AnyChangeFlagRaised(const ProgramContainer& data);
// Clears every change flag and lets every lagging crossover step until it has arrived, as the
// scan of a connected unit does.
void SettleChangeFlags(ProgramContainer& data);
