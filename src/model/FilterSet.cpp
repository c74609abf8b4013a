#include "model/FilterSet.h"

#include <algorithm>
#include <cmath>

void FilterSet::create(int filterCount) {
    filters_.clear();
    if (filterCount < 2) {
        return;
    }
    filters_.resize(static_cast<std::size_t>(filterCount));
    const int bands = filterCount - 2;
    for (int i = 0; i < bands; ++i) {
        filters_[static_cast<std::size_t>(i)].setCode(CodeAt(filterCount, i));
    }
    const int crossoverCode = CodeAt(filterCount, bands);

    Filter& highPass = filters_[static_cast<std::size_t>(bands)];
    highPass.setType(Filter::kHighPass);
    highPass.setIsBand(0);
    highPass.setFrequency(kMinFrequencyHz);
    highPass.setCode(crossoverCode);

    Filter& lowPass = filters_[static_cast<std::size_t>(bands + 1)];
    lowPass.setType(Filter::kLowPass);
    lowPass.setIsBand(0);
    lowPass.setFrequency(kMaxFrequencyHz);
    lowPass.setCode(crossoverCode);
}

int FilterSet::CodeAt(int filterCount, int position) {
    if (position < filterCount - 2)
        return position;
    return filterCount == kInputFilterCount ? kInputCrossoverCode : kOutputCrossoverCode;
}

Filter* FilterSet::at(int position) {
    return position >= 0 && position < count() ? &filters_[static_cast<std::size_t>(position)]
                                               : nullptr;
}

const Filter* FilterSet::at(int position) const {
    return position >= 0 && position < count() ? &filters_[static_cast<std::size_t>(position)]
                                               : nullptr;
}

void FilterSet::setGraphRect(const GraphRect& plot) {
    graphHeight_ = plot.height();
    graphWidth_ = plot.width();
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < points_.size(); ++i) {
        points_[i].x = GraphXOfFrequency(grid[i], graphWidth_) + kGraphOffsetX;
        points_[i].y = graphHeight_ / 2;
    }
}

void FilterSet::sumFirst(int filterCount) {
    const auto n = static_cast<std::size_t>(std::clamp(filterCount, 0, count()));
    for (std::size_t i = 0; i < points_.size(); ++i) {
        double sum = 0.0;
        for (std::size_t k = 0; k < n; ++k) {
            sum += filters_[k].response()[i];
        }
        // Responses are finite and bounded, but keep the pixel arithmetic inside int anyway.
        sum = std::clamp(sum, -1e4, 1e4);
        levels_[i] = sum;
        points_[i].y = GraphYOfLevel(sum, graphHeight_) + kGraphOffsetY;
    }
}

void FilterSet::sumBands() {
    sumFirst(bandCount());
}

void FilterSet::sumAll() {
    sumFirst(count());
}

void FilterSet::copyFrom(const FilterSet& other) {
    const std::size_t n = std::min(filters_.size(), other.filters_.size());
    for (std::size_t i = 0; i < n; ++i) {
        filters_[i].copyFrom(other.filters_[i]);
    }
}
