#ifndef ORVEX_SIMULATOR_H
#define ORVEX_SIMULATOR_H

// The simulated receiver as tests, the bench and the tools control it:
// the receivers on the simulated USB bus, their flash, what they run, the
// faults they show and the choices of the receiver model. The program
// never includes this; it only links the simulator behind devicelib/.
// How the receiver lays out its firmware and what the protocol's numbers
// are is the simulator's own statement (layout/firmware.h), made apart
// from the program's, as the device's would be; tst_protocolfacts holds
// the two against each other.

#include "orvexsys.h"

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QLockFile>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sim {

// What a receiver runs: its identity as the firmware states it.
struct FirmwareIdentity {
    double version = 0.0;
    qint32 build = 0;
    quint32 pid = 0;  // the USB product ID the firmware answers under
    quint32 copy = 0; // 1 or 2 for a code copy, 0 for the boot code
    quint32 length = 0; // bytes the record covers (read back only)
};

// The library operations a receiver answers.
enum class Op {
    LookForOrvexWithSpecifiedPID,
    GetVersion,
    GetFlashInfo,
    GetHeader2Checksum,
    SetWriteMode,
    WriteFlashHeader,
    WriteFlashCode,
    WriteFlashSector,
    PrepareToCloseConnection,
    RestartWithCodeInPosition,
    CloseConnection,
    InitializeConnection,
};
constexpr int kOpCount = 12;

const char *OpName(Op op);
std::optional<Op> OpNamed(const QString &name);

// One value for each operation.
template <typename T>
struct PerOp {
    std::array<T, kOpCount> values{};
    T &operator[](Op op) { return values[size_t(op)]; }
    const T &operator[](Op op) const { return values[size_t(op)]; }
};

// When calls of one operation fail.
struct Fault {
    QSet<int> failCalls; // numbers (from 1) of the calls that fail
    bool always = false;
    int answerFrom = 0;  // calls before this number fail
    QSet<int> corruptCalls; // writes that report success but land damaged

    bool Fails(int callNumber) const;
};

// What the device interface leaves to the receiver, made explicit: each
// combination is a receiver the updater may meet.
struct ReceiverModel {
    // What makes a copy bootable: its identity record with a CRC over the
    // whole code (our stand-in images), or only its header's check sums,
    // in which case a copy whose code is damaged boots and then crashes.
    bool checksWholeCode = true;
    // A restart on a copy that will not boot boots the other copy, if it
    // will; otherwise the boot code runs.
    bool fallsBackToOtherCopy = true;
    // While the boot code runs, the copy slot offered for writing is the
    // one last asked for (or else the other one).
    bool bootCodeOffersAskedSlot = true;
    // GetVersion reports the firmware of copy 1 when that copy is intact
    // (or else always that of the firmware running).
    bool reportsCopy1Version = false;

    bool operator==(const ReceiverModel &other) const;
    // For example "whole code, fallback, asked slot, running version".
    QString Name() const;
    // Every combination; the first is the default.
    static QList<ReceiverModel> All();
};

// One library call as the receiver saw it.
struct Call {
    Op op = Op::GetVersion;
    quint32 a = 0; // address, offset, mode or position
    quint32 b = 0; // block count
    QByteArray data;
};

struct Slot {
    QByteArray header; // empty: erased
    QByteArray code;   // bytes written so far; erased beyond
};

// A simulated receiver: its flash, what it runs, and the faults it is
// told to show. Every command handler opened on it works on this object.
class Receiver
{
public:
    static constexpr int kDead = -1; // nothing that answers runs

    // Configuration.
    ReceiverModel model;
    int restartTimeMs = 2000;
    int latencyMs = 3;
    quint32 capacity; // room of each copy slot, in bytes
    PerOp<Fault> faults;
    qint64 unplugAtCall = 0; // the cable is pulled during this call
    int tornWriteBytes = -1; // bytes of that call's data that still land
    bool versionNaN = false;

    // Flash.
    QByteArray boot;                   // the boot region, 0x0000 upward
    std::array<QByteArray, 2> markers; // 0xF0000 and 0xFFF00
    std::array<Slot, 2> codeSlots;     // copy 1 and copy 2, at SlotAddress(1) and (2)

    // What runs.
    quint32 pid = 0;
    int running = 0; // 1 or 2, 0 for the boot code, kDead
    int startPosition = 0;
    FirmwareIdentity runningIdentity;

    bool plugged = true;

    // What the receiver saw.
    qint64 calls = 0;
    PerOp<int> callCounts;
    QList<Call> log;
    QStringList violations;
    bool keepLog = true;
    std::optional<Op> unpluggedDuring; // the call the cable was pulled in
    int tornBytesLanded = 0;

    Receiver();

    // Boots as after a restart on `position` (see ReceiverModel).
    void Boot(int position);
    // The copy would be started: its header belongs to its slot and the
    // model's check passes.
    bool SlotBootable(int position) const;
    // The copy is exactly as it was written: intact identity and CRC.
    bool SlotIntact(int position) const;
    // The boot code is intact.
    bool BootCodeIntact() const;
    static quint32 SlotAddress(int position);

    // Test hooks: pull the cable (flash keeps what it has) and put it back
    // (the receiver powers up on its start position).
    void Unplug();
    void Plug();
    // Comes up as after being plugged in, without saving.
    void PowerUp();

    bool Reachable() const;
    bool OldFlashProtocol() const;
    // The copy slot that the next write goes to.
    int OfferedSlot() const;

    // The library operations; Open is LookForOrvexWithSpecifiedPID's part.
    bool Open();
    bool GetVersion(CMDHAND_VERSIONstruct &version);
    bool GetFlashInfo(CMDHAND_FLASH_INFOstruct &info, bool newFormat);
    bool GetHeader2Checksum(CMDHAND_FLASH_INFOstruct &info);
    bool SetWriteMode(CMDHAND_WRITE_MODE mode);
    bool WriteFlashHeader(const unsigned char *header);
    bool WriteFlashCode(unsigned int offset, unsigned int count, const unsigned char *data);
    bool WriteFlashSector(unsigned int address, const unsigned char *data);
    bool PrepareToCloseConnection();
    bool RestartWithCodeInPosition(int position);
    bool CloseConnection();
    bool InitializeConnection();

    // Asks the bus to save its state, when it keeps one.
    void Save() const;
    void Write(QDataStream &out) const;
    bool Read(QDataStream &in);

private:
    // Counts the call, spends its latency, and says whether it gets through.
    // `bytes` is what a write carries; a torn write keeps only its prefix.
    bool Enter(Op op, bool needsConnection, int *landingBytes = nullptr, int bytes = 0);
    void Record(Op op, quint32 a, quint32 b, const unsigned char *data, int size);
    bool Refuse(const QString &why);
    // A flaky cell: damages what a write just put down, if told to.
    void MaybeCorrupt(Op op, char *landed);
    std::optional<FirmwareIdentity> SlotIdentity(int position) const;
    std::optional<FirmwareIdentity> BootIdentity() const;

    bool connected = false;
    qint64 reachableAtMs = 0;
    bool writeArmed = false;  // write mode 1 seen since connecting
    bool sectorArmed = false; // write mode 2 set for the next sector
    bool prepared = false;
    int writeSlot = 0;
};

// A technician's box of receivers, taken one at a time: each turn's
// receiver is plugged in plugAfterMs after the previous one was pulled
// (the first, plugAfterMs after the box is set up), and pulled
// unplugAfterMs after the updater has let it go (released every handler
// it had opened on it). Times are on the shared clock; the box moves on
// when the updater next calls the library.
struct Box {
    int plugAfterMs = 2000;
    int unplugAfterMs = 1500;
    int turns = 0;
    // The receiver of turn n (from 0); a receiver that comes back is the
    // same object again, plugged in anew, its faults cleared.
    std::function<std::shared_ptr<Receiver>(int turn)> receiverAt;
    // Turn n's receiver has been pulled.
    std::function<void(int turn, const std::shared_ptr<Receiver> &receiver)> pulled;
};

// The receivers attached to the simulated USB bus.
class Bus
{
public:
    static Bus &Instance();

    // Fills the bus from the scenario named by ORVEX_SIM_SCENARIO (or the
    // state file named by ORVEX_SIM_STATE), once, unless a test has already
    // set it up.
    void EnsureConfigured();
    // Empty bus, counters cleared; no scenario is read afterwards.
    void Reset();

    std::shared_ptr<Receiver> Attach(std::shared_ptr<Receiver> receiver);
    const QList<std::shared_ptr<Receiver>> &Receivers() const { return receivers; }

    // The receivers come from a box from now on.
    void UseBox(const Box &box);
    // Plugs and pulls the box's receivers as the clock says.
    void MoveBoxOn();
    // The updater opened the receiver plugged in, and released a handler.
    void BoxReceiverOpened() { boxReceiverOpened = box.has_value(); }
    void HandlerReleased();
    // The turn whose receiver is plugged in or due; -1: no box.
    int BoxTurn() const { return box ? boxTurn : -1; }

    // Where the receivers are saved after every change; empty: not saved.
    // The file is locked while this bus uses it.
    QString stateFile;
    // False, once said on stderr, when the state could not be saved.
    bool SaveState();
    bool LoadState(const QString &file, QString *error);
    // The receivers a state file describes, plugged in again.
    static bool ReadState(const QByteArray &bytes, QList<std::shared_ptr<Receiver>> *receivers,
                          QString *error);

    static constexpr int kMaxReceivers = 16;
    int liveHandlers = 0;
    int livePortManagers = 0;
    QStringList releaseLog; // release calls, in order

private:
    bool LockStateFile(QString *error);

    QList<std::shared_ptr<Receiver>> receivers;
    bool configured = false;
    std::optional<Box> box;
    int boxTurn = -1;
    std::shared_ptr<Receiver> boxReceiver; // plugged in
    std::vector<std::weak_ptr<Receiver>> hadTurn; // those still alive

    qint64 nextPlugAtMs = 0;
    qint64 letGoAtMs = -1;
    bool boxReceiverOpened = false;
    bool saveFailureSaid = false;
    std::unique_ptr<QLockFile> stateLock;
};

// Receivers described by a scenario (JSON); see docs/simulator.md.
// `baseDir` resolves the file names the scenario gives for slot contents.
bool ParseScenario(const QByteArray &json, const QString &baseDir,
                   QList<std::shared_ptr<Receiver>> *receivers, QString *error, std::optional<Box> *box = nullptr);

// A scenario file, or one of the built-in names (default, full-path,
// up-to-date, no-receiver, two-receivers, boot-recovery, unplug-mid-write,
// box). A scenario that describes a box of receivers fills `box`, when
// asked for, and leaves `receivers` empty.
bool LoadScenario(const QString &nameOrFile, QList<std::shared_ptr<Receiver>> *receivers,
                  QString *error, std::optional<Box> *box = nullptr);

// Sets faults written as a scenario's "faults" object, for example
// {"WriteFlashCode": {"fail": [3, 4]}}; false, with the reason, otherwise.
bool SetFaults(Receiver &receiver, const QByteArray &json, QString *error);

// A receiver running generated firmware of this identity in both slots.
std::shared_ptr<Receiver> MakeReceiver(quint32 pid, double version, qint32 build, int running);

} // namespace sim

#endif
