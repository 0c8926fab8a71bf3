#ifndef ORVEX_IMAGEFIGURES_H
#define ORVEX_IMAGEFIGURES_H

#include <cstdint>

// The figures of the seven firmware images, image 1 first: what the
// upgrade tables name and what the stand-in images in images/ are made to
// match (tools/imagegen writes them from this table).
struct ImageFigures {
    double version;
    int32_t build;
    uint32_t code1Size;
    uint32_t code2Size;
    uint32_t copy2SumA; // the check sums of the copy-2 header
    uint32_t copy2SumB;
    uint32_t runsUnderPid; // the product ID the firmware answers under
};

constexpr ImageFigures kImageFigures[] = {
    {6.00, 29, 37014, 19432, 0x0003CB84, 0x0019BE0B, 0x1400},
    {6.00, 30, 37696, 20124, 0x0003CCCC, 0x0019BCC3, 0x1400},
    {6.00, 82, 36948, 19368, 0x0003CB03, 0x0019BE8C, 0x1400},
    {6.01, 15, 36104, 17730, 0x0003BE3B, 0x0019CB54, 0x1315},
    {6.01, 12, 36776, 18414, 0x0003C372, 0x0019C61D, 0x1316},
    {6.01, 83, 36040, 17666, 0x0003BDBA, 0x0019CBD5, 0x1317},
    {6.08, 3, 36990, 19604, 0x0003CC2C, 0x0019BD63, 0x1320},
};

// Every image shares one boot code; copies start at these addresses.
constexpr uint32_t kBootCodeSize = 906;
constexpr uint32_t kCopy1Address = 0x00C10000;
constexpr uint32_t kCopy2Address = 0x00C90000;

#endif
