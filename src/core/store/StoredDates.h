#pragma once

#include <QtGlobal>
#include <vector>

// The dates (whole seconds) of the messages a job stored, as a Bloom filter: "not held" is
// certain, "held" may be wrong now and then (then the duplicate query decides). 2 MiB, and
// about one wrong "held" in 200 after a million dates.
class StoredDates
{
public:
    StoredDates();
    void add(long long date);
    bool mayHold(long long date) const;

private:
    std::vector<quint64> m_bits;
};
