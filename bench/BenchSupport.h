// What every benchmark program shares: the clock and the one line of JSON it prints.
#pragma once
#include <chrono>
#include <cstdio>

namespace tavlora::bench {

class Stopwatch {
public:
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The driver (bench/bench.py) reads this line; peak memory it measures itself from outside.
inline void printResult(double seconds) { std::printf("{\"seconds\": %.4f}\n", seconds); }

}  // namespace tavlora::bench
