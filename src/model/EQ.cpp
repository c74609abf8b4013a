#include "model/EQ.h"

#include <algorithm>
#include <cmath>

#include "model/Archive.h"

void CEQ::create(int filterCount) {
    filters_.clear();
    if (filterCount < 2) {
        return;
    }
    filters_.resize(static_cast<std::size_t>(filterCount));
    const int bands = filterCount - 2;
    for (int i = 0; i < bands; ++i) {
        filters_[static_cast<std::size_t>(i)].setCode(i);
    }
    const int crossoverCode =
        filterCount == kInputFilterCount ? kInputCrossoverCode : kOutputCrossoverCode;

    CFilter& highPass = filters_[static_cast<std::size_t>(bands)];
    highPass.setType(CFilter::kHighPass);
    highPass.setIsBand(0);
    highPass.setFrequency(kMinFrequencyHz);
    highPass.setCode(crossoverCode);

    CFilter& lowPass = filters_[static_cast<std::size_t>(bands + 1)];
    lowPass.setType(CFilter::kLowPass);
    lowPass.setIsBand(0);
    lowPass.setFrequency(kMaxFrequencyHz);
    lowPass.setCode(crossoverCode);
}

CFilter* CEQ::at(int position) {
    return position >= 0 && position < count() ? &filters_[static_cast<std::size_t>(position)]
                                               : nullptr;
}

const CFilter* CEQ::at(int position) const {
    return position >= 0 && position < count() ? &filters_[static_cast<std::size_t>(position)]
                                               : nullptr;
}

void CEQ::setGraphRect(const GraphRect& plot) {
    graphHeight_ = plot.height();
    graphWidth_ = plot.width();
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < points_.size(); ++i) {
        points_[i].x = GraphXOfFrequency(grid[i], graphWidth_) + kGraphOffsetX;
        points_[i].y = graphHeight_ / 2;
    }
    for (CFilter& filter : filters_) {
        filter.setGraphRect(plot);
    }
}

void CEQ::sumFirst(int filterCount) {
    const auto n = static_cast<std::size_t>(std::clamp(filterCount, 0, count()));
    for (std::size_t i = 0; i < points_.size(); ++i) {
        double sum = 0.0;
        for (std::size_t k = 0; k < n; ++k) {
            sum += filters_[k].response()[i];
        }
        // Responses are finite and bounded, but keep the pixel arithmetic inside int anyway.
        sum = std::clamp(sum, -1e4, 1e4);
        points_[i].y = GraphYOfLevel(sum, graphHeight_) + kGraphOffsetY;
    }
}

void CEQ::sumBands() {
    sumFirst(bandCount());
}

void CEQ::sumAll() {
    sumFirst(count());
}

void CEQ::copyFrom(const CEQ& other) {
    const std::size_t n = std::min(filters_.size(), other.filters_.size());
    for (std::size_t i = 0; i < n; ++i) {
        filters_[i].copyFrom(other.filters_[i]);
    }
}

void CEQ::Serialize(CArchiveWriter& archive) const {
    for (const CFilter& filter : filters_) {
        filter.Serialize(archive);
    }
}

bool CEQ::Serialize(CArchiveReader& archive) {
    for (CFilter& filter : filters_) {
        if (!filter.Serialize(archive)) {
            return false;
        }
    }
    return true;
}
