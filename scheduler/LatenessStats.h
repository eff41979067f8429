#pragma once
// The lateness of the instructions a run carried out (the time from each
// one's moment to its start): how many there were, their median, 99th
// percentile and worst, as the run log's summary line gives them.
#include <QtGlobal>

#include <vector>

class TLatenessStats {
public:
    void Clear() { FValues.clear(); }
    void Add(qint64 latenessMs) { FValues.push_back(latenessMs); }
    qsizetype Count() const { return qsizetype(FValues.size()); }

    // The nearest-rank percentile, 0 < percent <= 100: the smallest value
    // that at least percent of the values do not exceed. 0 when none.
    qint64 Percentile(double percent) const;
    qint64 Median() const { return Percentile(50); }
    qint64 Worst() const { return Percentile(100); }

private:
    std::vector<qint64> FValues;
};
