#pragma once

#include "views/ControlSurface.h"

// The 4x8 control surface: inputs A..D, outputs 1..8, the input-source box.
class VEraz48Ider : public CControlSurface {
    Q_OBJECT
public:
    static constexpr int kDeviceType = 1;
    explicit VEraz48Ider(VEzaz48Ari& document, QWidget* parent = nullptr,
                         std::unique_ptr<IPort> port = nullptr)
        : CControlSurface(kDeviceType, document, parent, std::move(port)) {}
};
