#pragma once

#include <array>
#include <vector>

#include "model/Filter.h"
#include "model/GraphCoordinates.h"

// The filter set of one channel: its equaliser bands first (eight on an input, six on an
// output), then its high-pass and its low-pass crossover filter. The set owns its filters and
// sums their responses into the pixel curve the channel draws.
class FilterSet {
public:
    static constexpr int kInputFilterCount = 10;   // 8 bands + crossover pair
    static constexpr int kOutputFilterCount = 8;   // 6 bands + crossover pair
    static constexpr int kInputCrossoverCode = 9;  // parameter code of an input's crossover frame
    static constexpr int kOutputCrossoverCode = 7; // parameter code of an output's crossover frame

    using Points = std::array<GraphPoint, kGridPoints>;
    using Levels = std::array<double, kGridPoints>;

    FilterSet() = default;
    // Same as create(filterCount).
    explicit FilterSet(int filterCount) { create(filterCount); }

    // Replaces the set by `filterCount` filters: filterCount - 2 bands with code = position, then
    // a high-pass at 10 Hz and a low-pass at 30000 Hz (both flat), which carry code 9 on an input
    // set (10 filters) and 7 on an output set (any other count). The crossover pair leaves with
    // its change flags raised, so a new channel sends its crossovers once. A count below 2 gives
    // an empty set.
    void create(int filterCount);
    // The code create() gives the filter at `position` of a set of `filterCount` filters.
    static int CodeAt(int filterCount, int position);

    int count() const { return static_cast<int>(filters_.size()); }
    int bandCount() const { return count() >= 2 ? count() - 2 : 0; }
    // Filter at a position, or nullptr outside 0..count-1.
    Filter* at(int position);
    const Filter* at(int position) const;
    // Filter at a position. Precondition: 0 <= position < count().
    Filter& operator[](int position) { return filters_[static_cast<std::size_t>(position)]; }
    const Filter& operator[](int position) const {
        return filters_[static_cast<std::size_t>(position)];
    }
    // The crossover pair. Precondition: the set has been created (count() >= 2).
    int highPassPosition() const { return count() - 2; }
    int lowPassPosition() const { return count() - 1; }
    Filter& highPass() { return (*this)[highPassPosition()]; }
    const Filter& highPass() const { return (*this)[highPassPosition()]; }
    Filter& lowPass() { return (*this)[lowPassPosition()]; }
    const Filter& lowPass() const { return (*this)[lowPassPosition()]; }

    // Plot size in pixels: every point gets the x of its grid frequency (+35) and the middle
    // height.
    void setGraphRect(const GraphRect& plot);

    // y of point i = y of the summed dB of the bands only (crossover pair excluded) + 10. This is
    // an input's curve.
    void sumBands();
    // The same over all filters, crossover pair included. This is an output's curve.
    void sumAll();

    // Each filter copies the filter at the same position of `other` (Filter::copyFrom); filters
    // beyond the shorter set are left alone.
    void copyFrom(const FilterSet& other);

    const Points& points() const { return points_; }
    // The summed response in dB at every grid frequency, as the last sum left it.
    const Levels& levels() const { return levels_; }
    int graphHeight() const { return graphHeight_; }
    int graphWidth() const { return graphWidth_; }

private:
    void sumFirst(int filterCount);

    std::vector<Filter> filters_;
    Points points_{};
    Levels levels_{};
    int graphHeight_ = 0;
    int graphWidth_ = 0;
};
