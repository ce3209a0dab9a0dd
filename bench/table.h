// Rows of scripts/bench's table: a measure's rounds as their median and
// spread (lowest and highest round), in the table's Markdown.
#ifndef KX4410_BENCH_TABLE_H
#define KX4410_BENCH_TABLE_H

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace table {

inline double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The value below which a share q of v lies (q = 0.99: the 99th percentile).
inline double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t k = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[k];
}

inline std::string format(double x, const char* format = "%.3g") {
    char s[32];
    std::snprintf(s, sizeof s, format, x);
    return s;
}

// A row of figures already summed up, in the median column.
inline void note(const std::string& measure, const std::string& figures, const std::string& goal) {
    std::printf("| %s | %s | | %s |\n", measure.c_str(), figures.c_str(), goal.c_str());
    std::fflush(stdout);
}

// "| measure | median | low - high | goal |"
inline void row(const std::string& measure, const std::vector<double>& rounds,
                const std::string& goal, const char* format = "%.3g") {
    const auto [low, high] = std::minmax_element(rounds.begin(), rounds.end());
    std::printf("| %s | %s | %s - %s | %s |\n", measure.c_str(),
                table::format(median(rounds), format).c_str(),
                table::format(rounds.empty() ? 0.0 : *low, format).c_str(),
                table::format(rounds.empty() ? 0.0 : *high, format).c_str(), goal.c_str());
    std::fflush(stdout);
}

// "| measure | figure | low - high | goal |": a figure of all rounds at once
// (a quantile of their samples pooled), beside the spread of the rounds'
// own figures.
inline void pooledRow(const std::string& measure, double figure, const std::vector<double>& rounds,
                      const std::string& goal) {
    const auto [low, high] = std::minmax_element(rounds.begin(), rounds.end());
    std::printf("| %s | %s | %s - %s | %s |\n", measure.c_str(), table::format(figure).c_str(),
                table::format(rounds.empty() ? 0.0 : *low).c_str(),
                table::format(rounds.empty() ? 0.0 : *high).c_str(), goal.c_str());
    std::fflush(stdout);
}

}  // namespace table

#endif
