#include "positioning/AlphaBetaFilter.h"

#include <gtest/gtest.h>

#include <cmath>

using vantrel::positioning::AlphaBetaFilter;

TEST(AlphaBetaFilter, GainsAndEmptyWindow) {
    AlphaBetaFilter filter(5);
    EXPECT_EQ(filter.alpha(), 0.25);
    EXPECT_DOUBLE_EQ(filter.beta(), 0.012906584272531064);
    EXPECT_EQ(filter.numberOfSamples(), 0u);
    EXPECT_EQ(filter.lastValue(), 0.0);
    EXPECT_EQ(filter.previousValue(), 0.0);
    filter.alphaBeta(10);
    EXPECT_EQ(filter.numberOfSamples(), 1u);
    EXPECT_EQ(filter.lastValue(), 0.0);  // one sample is no estimate yet
}

TEST(AlphaBetaFilter, RampThroughAndPastAFullWindow) {
    AlphaBetaFilter filter(5);
    filter.alphaBeta(10);
    filter.alphaBeta(20);
    EXPECT_EQ(filter.lastValue(), 12.5);
    EXPECT_EQ(filter.previousValue(), 10.0);
    filter.alphaBeta(30);
    EXPECT_DOUBLE_EQ(filter.lastValue(), 16.971799382043983);
    filter.alphaBeta(40);
    EXPECT_DOUBLE_EQ(filter.lastValue(), 22.99379848777206);
    filter.alphaBeta(50);
    EXPECT_DOUBLE_EQ(filter.lastValue(), 30.229789790041334);
    EXPECT_DOUBLE_EQ(filter.previousValue(), 22.99379848777206);

    // The oldest sample leaves: the window 20..60 smooths to the same shape, 10 higher.
    filter.alphaBeta(60);
    EXPECT_EQ(filter.numberOfSamples(), 5u);
    EXPECT_DOUBLE_EQ(filter.lastValue(), 40.229789790041334);
    EXPECT_DOUBLE_EQ(filter.previousValue(), 32.99379848777206);
}

TEST(AlphaBetaFilter, ConstantInputStaysConstant) {
    AlphaBetaFilter filter(5);
    for (int i = 0; i < 9; ++i) {
        filter.alphaBeta(-3.25);
        if (i > 0) {
            EXPECT_EQ(filter.lastValue(), -3.25);
            EXPECT_EQ(filter.previousValue(), -3.25);
        }
    }
}

TEST(AlphaBetaFilter, NaNPassesThroughTheWindowAndLeavesIt) {
    AlphaBetaFilter filter(2);
    filter.alphaBeta(std::nan(""));
    filter.alphaBeta(1);
    EXPECT_TRUE(std::isnan(filter.lastValue()));
    filter.alphaBeta(2);
    filter.alphaBeta(2);
    EXPECT_EQ(filter.lastValue(), 2.0);
}

TEST(AlphaBetaFilter, SizeZeroIsAWindowOfOne) {
    AlphaBetaFilter filter(0);
    filter.alphaBeta(5);
    filter.alphaBeta(7);
    EXPECT_EQ(filter.numberOfSamples(), 1u);
}
