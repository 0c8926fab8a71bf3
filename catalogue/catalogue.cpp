#include "catalogue.h"

#include "firmwaredata.h"

#include <iterator>

namespace {

constexpr int32_t kRangedPid1 = 0x1311;
constexpr int32_t kRangedPid2 = 0x1400;
constexpr uint32_t kBootSize = 906;
constexpr uint32_t kCopy1Address = 0x00C10000;
constexpr uint32_t kCopy2Address = 0x00C90000;

static_assert(sizeof(kBootCode) == kBootSize, "boot code size");

#define ORVEX_IMAGE(n, ver, bld, size1, size2, sumA, sumB)                                      \
    static_assert(sizeof(kImage##n##Code1) == size1 && sizeof(kImage##n##Code2) == size2,      \
                  "image " #n " sizes");                                                       \
    constexpr FirmwareImage kImage##n = {                                                      \
        ver, bld,                                                                              \
        {kBootSize, size1, size2, kBootCode, kImage##n##Code1, kImage##n##Code2,               \
         kImage##n##Header1, kImage##n##Header2, {0, 0}, {0, 0}, kCopy1Address, kCopy2Address, \
         sumA, sumB}};

ORVEX_IMAGE(1, 6.00, 29, 37014, 19432, 0x0003CB84, 0x0019BE0B)
ORVEX_IMAGE(2, 6.00, 30, 37696, 20124, 0x0003CCCC, 0x0019BCC3)
ORVEX_IMAGE(3, 6.00, 82, 36948, 19368, 0x0003CB03, 0x0019BE8C)
ORVEX_IMAGE(4, 6.01, 15, 36104, 17730, 0x0003BE3B, 0x0019CB54)
ORVEX_IMAGE(5, 6.01, 12, 36776, 18414, 0x0003C372, 0x0019C61D)
ORVEX_IMAGE(6, 6.01, 83, 36040, 17666, 0x0003BDBA, 0x0019CBD5)
ORVEX_IMAGE(7, 6.08, 3, 36990, 19604, 0x0003CC2C, 0x0019BD63)

#undef ORVEX_IMAGE

// Table A: the current Scrivet Pack.
constexpr UpgradeRule kScrivetPackRules[] = {
    {0x1311, 6.00, 0, 6.00, 18, 0x1315, kImage4},
    {0x1311, 6.00, 27, 6.00, 27, 0x1315, kImage4},
    {0x1311, 6.00, 80, 6.00, 81, 0x1317, kImage6},
    {0x1311, 6.00, 19, 6.00, 26, 0x1316, kImage5},
    {0x1311, 6.00, 28, 6.00, 28, 0x1316, kImage5},
    {0x1315, 6.01, 15, 6.01, 15, 0x1315, kImage4},
    {0x1317, 6.01, 81, 6.01, 83, 0x1317, kImage6},
    {0x1316, 6.01, 12, 6.01, 12, 0x1316, kImage5},
    {0x1320, 6.07, 3, 6.08, 3, 0x1320, kImage7},
    {0x1400, 6.00, 29, 6.00, 29, 0x1315, kImage4},
    {0x1400, 6.00, 82, 6.00, 82, 0x1317, kImage6},
    {0x1400, 6.00, 30, 6.00, 30, 0x1316, kImage5},
};

// Table B: the Scrivet Pack Classic.
constexpr UpgradeRule kScrivetPackClassicRules[] = {
    {0x1311, 6.00, 0, 6.00, 18, 0x1400, kImage1},
    {0x1311, 6.00, 27, 6.00, 27, 0x1400, kImage1},
    {0x1311, 6.00, 80, 6.00, 81, 0x1400, kImage3},
    {0x1311, 6.00, 19, 6.00, 26, 0x1400, kImage2},
    {0x1311, 6.00, 28, 6.00, 28, 0x1400, kImage2},
    {0x1315, 6.01, 15, 6.01, 15, 0x1311, kImage1},
    {0x1317, 6.01, 81, 6.01, 83, 0x1311, kImage3},
    {0x1316, 6.01, 12, 6.01, 12, 0x1311, kImage2},
    {0x1400, 6.00, 29, 6.00, 29, 0x1400, kImage1},
    {0x1400, 6.00, 82, 6.00, 82, 0x1400, kImage3},
    {0x1400, 6.00, 30, 6.00, 30, 0x1400, kImage2},
};

constexpr UpgradeTable kScrivetPackTable = {
    kScrivetPackRules, int(std::size(kScrivetPackRules)), false};
constexpr UpgradeTable kScrivetPackClassicTable = {
    kScrivetPackClassicRules, int(std::size(kScrivetPackClassicRules)), true};

QString Version(double version)
{
    return QString::number(version, 'f', 2);
}

QString Hex(int32_t pid)
{
    return QString::number(pid, 16);
}

QString DescribeRule(const UpgradeRule &rule)
{
    QString line = QStringLiteral("pid=%1,v=%2.%3-%4.%5")
                       .arg(Hex(rule.pid), Version(rule.versionLow))
                       .arg(rule.buildLow)
                       .arg(Version(rule.versionHigh))
                       .arg(rule.buildHigh);
    // The arrow compares the target with the rule's lower bounds.
    if (rule.pid != rule.targetPid || IsImageNewer(rule.target, rule.versionLow, rule.buildLow)) {
        line += QStringLiteral("->pid=%1,v=%2.%3")
                    .arg(Hex(rule.targetPid), Version(rule.target.version))
                    .arg(rule.target.build);
    }
    return line + QLatin1Char('\n');
}

QString DescribeTable(const UpgradeTable &table)
{
    QString text;
    for (int i = 0; i < table.count; ++i)
        text += DescribeRule(table.rules[i]);
    return text;
}

} // namespace

const UpgradeTable &ScrivetPackTable()
{
    return kScrivetPackTable;
}

const UpgradeTable &ScrivetPackClassicTable()
{
    return kScrivetPackClassicTable;
}

bool IsImageNewer(const FirmwareImage &image, double version, int32_t build)
{
    return image.version > version || (image.version == version && build < image.build);
}

const UpgradeRule *SelectUpgradeRule(const UpgradeTable &table, int32_t pid, double version,
                                     int32_t build)
{
    const bool ranged = pid == kRangedPid1 || pid == kRangedPid2;
    for (int i = 0; i < table.count; ++i) {
        const UpgradeRule &rule = table.rules[i];
        if (rule.pid != pid)
            continue;
        const bool newer = IsImageNewer(rule.target, version, build);
        const bool applies = ranged
            ? rule.versionLow <= version && version <= rule.versionHigh && rule.buildLow <= build
                && build <= rule.buildHigh && newer
            : newer || table.firstRuleForPidAlwaysApplies;
        if (applies)
            return &rule;
    }
    return nullptr;
}

QString DescribeUpgradeTables()
{
    return QStringLiteral("Scrivet Pack Classic:\n") + DescribeTable(kScrivetPackClassicTable)
        + QStringLiteral("\nScrivet Pack:\n") + DescribeTable(kScrivetPackTable);
}
