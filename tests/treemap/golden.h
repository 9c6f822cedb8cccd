// Golden pictures: small maps kept as binary PPM files in tests/treemap/golden/.
// MB_UPDATE_GOLDEN=1 rewrites them; look at them before committing a change.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Compares width × height pixels (0x..RRGGBB) with golden/<name>.ppm, rewriting it
// first when MB_UPDATE_GOLDEN is set; reports the first differing pixel.
void expectGoldenPicture(const std::string& name, const std::vector<uint32_t>& pixels, int32_t width,
                         int32_t height);
