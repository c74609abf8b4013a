#pragma once

#include "model/ChannelEditRules.h"

#include <QString>

// What the status line says when an editing rule stored another value than the one the operator
// asked for, or refused it: what happened and why, in a line that fits the status line
// ("Out 3: HPF stops at the LPF, 2000 Hz"). `channel` names the channel ("Out 3", "Input A"),
// `field` is the editor field written, named as the parameter without its channel ("hpf.freq",
// "eq.3.on", "source.B"), `asked` the value asked for and
// `after` the value the field shows now. Empty for an edit that was neither corrected nor
// refused.
QString RuleNotice(const QString& channel, const QString& field, int asked, int after,
                   ChannelEditRules::Edit edit);
