#pragma once

#include "views/ControlSurface.h"

// The 3x6 control surface: inputs A..C, outputs 1..6.
class DEvov36Uzid : public CControlSurface {
    Q_OBJECT
public:
    static constexpr int kDeviceType = 2;
    explicit DEvov36Uzid(VEzaz48Ari& document, QWidget* parent = nullptr,
                         std::unique_ptr<IPort> port = nullptr)
        : CControlSurface(kDeviceType, document, parent, std::move(port)) {}
};
