#ifndef ORVEX_CATALOGUE_H
#define ORVEX_CATALOGUE_H

#include <QString>

#include <cstdint>
#include <functional>

// The firmware images and upgrade tables compiled into the program, and
// the rule that picks a target from a table. Constant data; no state.

// What the flash writer needs of an image: sizes, blocks, tag, the copy
// start addresses it expects, and the check sums of its copy-2 header.
struct FirmwareBlocks {
    uint32_t bootSize;
    uint32_t code1Size;
    uint32_t code2Size;
    const unsigned char *bootCode;
    const unsigned char *code1;
    const unsigned char *code2;
    const unsigned char *header1; // 64 bytes
    const unsigned char *header2; // 64 bytes
    unsigned char lastPageTag[2];
    unsigned char reserved[2];
    uint32_t header1Id;
    uint32_t header2Id;
    uint32_t copy2SumA;
    uint32_t copy2SumB;
};

struct FirmwareImage {
    double version;
    int32_t build;
    FirmwareBlocks blocks;
};

struct UpgradeRule {
    int32_t pid;
    double versionLow;
    int32_t buildLow;
    double versionHigh;
    int32_t buildHigh;
    int32_t targetPid;
    FirmwareImage target;
};

struct UpgradeTable {
    const UpgradeRule *rules;
    int count;
    // For product IDs whose ranges are not consulted, the first rule for
    // the ID applies whatever the receiver runs (the Classic table).
    bool firstRuleForPidAlwaysApplies;
};

// Table A, for the current pack (12 rules), and table B, for the
// Classic pack (11 rules).
const UpgradeTable &ScrivetPackTable();
const UpgradeTable &ScrivetPackClassicTable();

// Whether `image` is newer than firmware `version`.`build`.
bool IsImageNewer(const FirmwareImage &image, double version, int32_t build);

// The first rule of `table` that applies to the receiver, or nullptr;
// `targetNewer` says whether a rule's target is newer than the receiver's
// firmware.
const UpgradeRule *SelectUpgradeRule(const UpgradeTable &table, int32_t pid, double version,
                                     int32_t build,
                                     const std::function<bool(const UpgradeRule &)> &targetNewer);

// The first rule of `table` whose outcome is firmware `version`.`build`
// answering under product ID `pid`, or nullptr.
const UpgradeRule *RuleInstallingUnder(const UpgradeTable &table, double version, int32_t build,
                                       int32_t pid);
// The same under any product ID: the rule that names it under `pid` if
// there is one, else the first that names it.
const UpgradeRule *RuleInstalling(const UpgradeTable &table, double version, int32_t build,
                                  int32_t pid);

// Both tables as text, for the help box.
QString DescribeUpgradeTables();

#endif
