#include "catalogue.h"

#include "firmwaredata.h"
#include "imagefigures.h"

#include <iterator>

namespace {

constexpr int32_t kRangedPid1 = 0x1311;
constexpr int32_t kRangedPid2 = 0x1400;

static_assert(sizeof(kBootCode) == kBootCodeSize, "boot code size");
static_assert(std::size(kImageCode1) == std::size(kImageFigures), "one image file set for each image");

// The image files are as long as the figures say.
constexpr bool FilesMatchFigures()
{
    for (size_t i = 0; i < std::size(kImageFigures); ++i) {
        if (kImageCode1Size[i] != kImageFigures[i].code1Size || kImageCode2Size[i] != kImageFigures[i].code2Size)
            return false;
    }
    return true;
}
static_assert(FilesMatchFigures(), "image sizes");

// Image n (from 1) as the tables embed it.
constexpr FirmwareImage Image(int n)
{
    const ImageFigures &f = kImageFigures[n - 1];
    return {f.version, f.build,
            {kBootCodeSize, f.code1Size, f.code2Size, kBootCode, kImageCode1[n - 1], kImageCode2[n - 1],
             kImageHeader1[n - 1], kImageHeader2[n - 1], {0, 0}, {0, 0}, kCopy1Address, kCopy2Address,
             f.copy2SumA, f.copy2SumB}};
}

// Table A: the current Scrivet Pack.
constexpr UpgradeRule kScrivetPackRules[] = {
    {0x1311, 6.00, 0, 6.00, 18, 0x1315, Image(4)},
    {0x1311, 6.00, 27, 6.00, 27, 0x1315, Image(4)},
    {0x1311, 6.00, 80, 6.00, 81, 0x1317, Image(6)},
    {0x1311, 6.00, 19, 6.00, 26, 0x1316, Image(5)},
    {0x1311, 6.00, 28, 6.00, 28, 0x1316, Image(5)},
    {0x1315, 6.01, 15, 6.01, 15, 0x1315, Image(4)},
    {0x1317, 6.01, 81, 6.01, 83, 0x1317, Image(6)},
    {0x1316, 6.01, 12, 6.01, 12, 0x1316, Image(5)},
    {0x1320, 6.07, 3, 6.08, 3, 0x1320, Image(7)},
    {0x1400, 6.00, 29, 6.00, 29, 0x1315, Image(4)},
    {0x1400, 6.00, 82, 6.00, 82, 0x1317, Image(6)},
    {0x1400, 6.00, 30, 6.00, 30, 0x1316, Image(5)},
};

// Table B: the Scrivet Pack Classic.
constexpr UpgradeRule kScrivetPackClassicRules[] = {
    {0x1311, 6.00, 0, 6.00, 18, 0x1400, Image(1)},
    {0x1311, 6.00, 27, 6.00, 27, 0x1400, Image(1)},
    {0x1311, 6.00, 80, 6.00, 81, 0x1400, Image(3)},
    {0x1311, 6.00, 19, 6.00, 26, 0x1400, Image(2)},
    {0x1311, 6.00, 28, 6.00, 28, 0x1400, Image(2)},
    {0x1315, 6.01, 15, 6.01, 15, 0x1311, Image(1)},
    {0x1317, 6.01, 81, 6.01, 83, 0x1311, Image(3)},
    {0x1316, 6.01, 12, 6.01, 12, 0x1311, Image(2)},
    {0x1400, 6.00, 29, 6.00, 29, 0x1400, Image(1)},
    {0x1400, 6.00, 82, 6.00, 82, 0x1400, Image(3)},
    {0x1400, 6.00, 30, 6.00, 30, 0x1400, Image(2)},
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

bool Installs(const UpgradeRule &rule, double version, int32_t build)
{
    return rule.target.version == version && rule.target.build == build;
}

const UpgradeRule *FirstRule(const UpgradeTable &table, const std::function<bool(const UpgradeRule &)> &matches)
{
    for (int i = 0; i < table.count; ++i) {
        if (matches(table.rules[i]))
            return &table.rules[i];
    }
    return nullptr;
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
                                     int32_t build,
                                     const std::function<bool(const UpgradeRule &)> &targetNewer)
{
    const bool ranged = pid == kRangedPid1 || pid == kRangedPid2;
    for (int i = 0; i < table.count; ++i) {
        const UpgradeRule &rule = table.rules[i];
        if (rule.pid != pid)
            continue;
        const bool newer = targetNewer(rule);
        const bool applies = ranged
            ? rule.versionLow <= version && version <= rule.versionHigh && rule.buildLow <= build
                && build <= rule.buildHigh && newer
            : newer || table.firstRuleForPidAlwaysApplies;
        if (applies)
            return &rule;
    }
    return nullptr;
}

const UpgradeRule *RuleInstallingUnder(const UpgradeTable &table, double version, int32_t build,
                                       int32_t pid)
{
    return FirstRule(table, [&](const UpgradeRule &rule) {
        return rule.targetPid == pid && Installs(rule, version, build);
    });
}

const UpgradeRule *RuleInstalling(const UpgradeTable &table, double version, int32_t build, int32_t pid)
{
    if (const UpgradeRule *under = RuleInstallingUnder(table, version, build, pid))
        return under;
    return FirstRule(table, [&](const UpgradeRule &rule) { return Installs(rule, version, build); });
}

QString DescribeUpgradeTables()
{
    return QStringLiteral("Scrivet Pack Classic:\n") + DescribeTable(kScrivetPackClassicTable)
        + QStringLiteral("\nScrivet Pack:\n") + DescribeTable(kScrivetPackTable);
}
