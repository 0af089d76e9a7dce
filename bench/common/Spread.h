#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace moxilane::bench {

// The times of single runs: Google Benchmark reports their mean, which hides a first-touch
// outlier and the noise of a shared machine. Reported as min, median and max counters.
class Spread {
public:
    void add(double seconds) { m_ms.push_back(seconds * 1000); }
    void report(benchmark::State& state) {
        if (m_ms.empty()) return;
        std::ranges::sort(m_ms);
        state.counters["min_ms"] = m_ms.front();
        state.counters["median_ms"] = m_ms[m_ms.size() / 2];
        state.counters["max_ms"] = m_ms.back();
    }

private:
    std::vector<double> m_ms;
};

}  // namespace moxilane::bench
