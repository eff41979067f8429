#include "LatenessStats.h"

#include <algorithm>
#include <cmath>

qint64 TLatenessStats::Percentile(double percent) const
{
    if (FValues.empty())
        return 0;
    const auto rank = size_t(std::ceil(percent / 100.0 * double(FValues.size())));
    const size_t index = std::clamp<size_t>(rank, 1, FValues.size()) - 1;
    // Asked a few times at the end of a run: a copy leaves the order of
    // arrival alone.
    std::vector<qint64> values = FValues;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(index), values.end());
    return values[index];
}
