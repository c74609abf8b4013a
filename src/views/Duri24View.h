#pragma once

#include "views/ControlSurface.h"

// The 2x4 control surface: inputs A and B, outputs 1..4.
class VEzad24Ovaz : public CControlSurface {
    Q_OBJECT
public:
    static constexpr int kDeviceType = 3;
    explicit VEzad24Ovaz(VEzaz48Ari& document, QWidget* parent = nullptr,
                         std::unique_ptr<IPort> port = nullptr)
        : CControlSurface(kDeviceType, document, parent, std::move(port)) {}
};
