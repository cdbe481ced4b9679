// Golden outputs: the checksum of a whole stream, kept together with a small excerpt of its
// samples, so that a failure says where the output first differs and by how much instead of
// only that it does.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace golden {

// Where the excerpt of a stream of n samples lies: `count` positions spread evenly from the
// first sample to the last.
std::vector<size_t> positions(size_t n, size_t count);

// The stream's checksum must be `expected`, and its samples at the excerpt's positions the
// excerpt's values. Otherwise the failure names both checksums, the first excerpt sample that
// differs (its position, both values and their difference) and the last one that still matched,
// and prints the excerpt as the stream has it now, ready to be pasted when a change is meant.
testing::AssertionResult matches(uint64_t checksum, const std::vector<int32_t>& samples,
                                 uint64_t expected, const std::vector<int32_t>& excerpt);
testing::AssertionResult matches(uint64_t checksum, const std::vector<float>& samples,
                                 uint64_t expected, const std::vector<float>& excerpt);

} // namespace golden
