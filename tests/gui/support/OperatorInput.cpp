#include "OperatorInput.h"

#include <QAbstractSlider>

namespace guitest {

void DragSlider(QAbstractSlider* slider, std::initializer_list<int> positions) {
    slider->setSliderDown(true);
    for (int position : positions)
        slider->setSliderPosition(position);
    slider->setSliderDown(false);
}

} // namespace guitest
