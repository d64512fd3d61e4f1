#pragma once
// An alpha-beta (position and rate) tracker over a sliding window of the most recent samples.
// Every new sample re-runs the tracker from the oldest sample in the window, so the output depends
// only on the samples still in it.
//
// Owns its two windows (allocated once). Threads: one owner thread.

#include <vector>

namespace vantrel::positioning {

class AlphaBetaFilter {
public:
    // A window of `size` samples (at least 1; 0 is taken as 1).
    explicit AlphaBetaFilter(unsigned size);

    // Adds a sample (the oldest leaves a full window) and recomputes the smoothed values.
    void alphaBeta(double sample);

    // The newest and the one-before smoothed values; 0.0 while fewer than 2 samples are stored.
    double lastValue() const;
    double previousValue() const;
    unsigned numberOfSamples() const { return storedSamples_; }

    double alpha() const { return alpha_; }
    double beta() const { return beta_; }

private:
    void recompute();

    unsigned filterSize_;
    unsigned storedSamples_ = 0;
    std::vector<double> rawSamples_;       // oldest first
    std::vector<double> smoothedSamples_;  // tracker output per window position
    double alpha_;
    double beta_;
};

}  // namespace vantrel::positioning
