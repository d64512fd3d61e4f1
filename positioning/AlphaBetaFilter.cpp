#include "AlphaBetaFilter.h"

#include <algorithm>
#include <cmath>

namespace vantrel::positioning {

AlphaBetaFilter::AlphaBetaFilter(unsigned size)
    : filterSize_(std::max(size, 1u)),
      rawSamples_(filterSize_, 0.0),
      smoothedSamples_(filterSize_, 0.0),
      alpha_(0.25),
      // The rate gain matched to alpha, damped by 0.8.
      beta_(0.8 * ((2.0 - alpha_ * alpha_) - 2.0 * std::sqrt(1.0 - alpha_ * alpha_)) / (alpha_ * alpha_)) {}

void AlphaBetaFilter::alphaBeta(double sample) {
    if (storedSamples_ < filterSize_) {
        rawSamples_[storedSamples_++] = sample;
    } else {
        std::move(rawSamples_.begin() + 1, rawSamples_.end(), rawSamples_.begin());
        rawSamples_.back() = sample;
    }
    recompute();
}

void AlphaBetaFilter::recompute() {
    double estimate = rawSamples_[0];
    double rate = 0.0;
    for (unsigned i = 0; i < storedSamples_; ++i) {
        double prediction = estimate + rate;  // one sample per time step
        double residual = rawSamples_[i] - prediction;
        estimate = prediction + alpha_ * residual;
        rate += beta_ * residual;
        smoothedSamples_[i] = estimate;
    }
}

double AlphaBetaFilter::lastValue() const {
    return storedSamples_ < 2 ? 0.0 : smoothedSamples_[storedSamples_ - 1];
}

double AlphaBetaFilter::previousValue() const {
    return storedSamples_ < 2 ? 0.0 : smoothedSamples_[storedSamples_ - 2];
}

}  // namespace vantrel::positioning
