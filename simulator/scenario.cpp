#include "simulator.h"

#include "firmware.h"
#include "inputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace sim {

namespace {

constexpr qint64 kMaxScenarioBytes = 1 << 20;
// Far more than any copy slot holds.
constexpr qint64 kMaxSlotFileBytes = 4 << 20;
constexpr double kMaxCallNumber = 1e9;
constexpr int kDefaultCode1Size = 30000;
constexpr int kDefaultCode2Size = 15000;
constexpr double kDefaultBootVersion = 6.0;
constexpr quint32 kStandInWord1 = 0x00004F52;
constexpr quint32 kStandInWord5 = 0x56580001;
constexpr quint32 kStandInWord7 = 0x53494D00;

const QStringList kReceiverKeys = {
    QStringLiteral("pid"), QStringLiteral("version"), QStringLiteral("build"),
    QStringLiteral("running"), QStringLiteral("startPosition"), QStringLiteral("restartMs"),
    QStringLiteral("latencyMs"), QStringLiteral("capacity"), QStringLiteral("slot1"),
    QStringLiteral("slot2"), QStringLiteral("boot"), QStringLiteral("faults"),
    QStringLiteral("unplugAtCall"), QStringLiteral("tornWriteBytes"),
    QStringLiteral("versionNaN"), QStringLiteral("plugged"), QStringLiteral("model"),
};

// The model's choices, each named by what a receiver might do.
struct ModelChoice {
    const char *key;
    const char *whenTrue;
    const char *whenFalse;
    bool ReceiverModel::*field;
};
const ModelChoice kModelChoices[] = {
    {"check", "whole code", "header sums", &ReceiverModel::checksWholeCode},
    {"fallback", "other copy", "boot code", &ReceiverModel::fallsBackToOtherCopy},
    {"bootCodeOffers", "slot asked for", "other slot", &ReceiverModel::bootCodeOffersAskedSlot},
    {"versionOf", "copy 1", "running copy", &ReceiverModel::reportsCopy1Version},
};

Slot GeneratedSlot(const FirmwareIdentity &identity, int size)
{
    Slot slot;
    slot.code = MakeFirmwareBlock(identity, size);
    slot.header = MakeHeader(Receiver::SlotAddress(int(identity.copy)), quint32(slot.code.size()),
                             identity.copy == 1 ? 1 : 0, kStandInWord1, kStandInWord5,
                             kStandInWord7);
    return slot;
}

// Reads one receiver; every problem names where it is.
class ReceiverReader
{
public:
    ReceiverReader(const QJsonObject &object, const QString &where, const QString &baseDir)
        : object(object), where(where), baseDir(baseDir)
    {
    }

    std::shared_ptr<Receiver> Read(QString *error);
    bool ReadFaults(Receiver &receiver);
    QString Problem() const { return problemText; }

private:
    bool Fail(const QString &problem)
    {
        if (problemText.isEmpty())
            problemText = where + QStringLiteral(": ") + problem;
        return false;
    }
    qint64 Integer(const QJsonObject &from, const QString &key, qint64 fallback, qint64 low,
                   qint64 high, const QString &context);
    double Number(const QString &key, double fallback);
    quint32 Pid(const QJsonValue &value, const QString &context);
    bool ReadSlot(Receiver &receiver, int position, const FirmwareIdentity &running);
    bool ReadBoot(Receiver &receiver);
    bool ReadModel(Receiver &receiver);
    bool CallNumbers(const QJsonObject &spec, const QString &key, const QString &context, QSet<int> *numbers);
    QByteArray FileBytes(const QString &name);

    QJsonObject object;
    QString where;
    QString baseDir;
    QString problemText;
};

qint64 ReceiverReader::Integer(const QJsonObject &from, const QString &key, qint64 fallback,
                               qint64 low, qint64 high, const QString &context)
{
    const QJsonValue value = from.value(key);
    if (value.isUndefined())
        return fallback;
    const double number = value.toDouble(qQNaN());
    // Range first: converting a double out of range is undefined.
    if (!value.isDouble() || !(number >= double(low) && number <= double(high))
        || number != std::floor(number)) {
        Fail(QStringLiteral("%1\"%2\" must be a whole number from %3 to %4")
                 .arg(context, key).arg(low).arg(high));
        return fallback;
    }
    return qint64(number);
}

double ReceiverReader::Number(const QString &key, double fallback)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return fallback;
    if (!value.isDouble()) {
        Fail(QStringLiteral("\"%1\" must be a number").arg(key));
        return fallback;
    }
    return value.toDouble();
}

quint32 ReceiverReader::Pid(const QJsonValue &value, const QString &context)
{
    bool ok = value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 0xFFFF;
    quint32 pid = ok ? quint32(value.toDouble()) : 0;
    if (value.isString()) {
        QString text = value.toString();
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            text = text.mid(2);
        pid = text.toUInt(&ok, 16);
        ok = ok && pid <= 0xFFFF;
    }
    if (!ok)
        Fail(QStringLiteral("%1\"pid\" must be a product ID such as \"1317\"").arg(context));
    return pid;
}

QByteArray ReceiverReader::FileBytes(const QString &name)
{
    const QString path = QDir(baseDir).absoluteFilePath(name);
    QByteArray bytes;
    QString problem;
    if (!ReadCapped(path, kMaxSlotFileBytes, &bytes, &problem))
        Fail(QStringLiteral("\"%1\" %2").arg(path, problem));
    return bytes;
}

bool ReceiverReader::ReadSlot(Receiver &receiver, int position, const FirmwareIdentity &running)
{
    const QString key = QStringLiteral("slot%1").arg(position);
    const QJsonValue value = object.value(key);
    FirmwareIdentity identity = running;
    identity.copy = quint32(position);
    int size = position == 1 ? kDefaultCode1Size : kDefaultCode2Size;
    Slot &slot = receiver.codeSlots[position - 1];

    if (value.isUndefined() || value == QJsonValue(QStringLiteral("generated"))) {
        slot = GeneratedSlot(identity, size);
        return true;
    }
    if (value == QJsonValue(QStringLiteral("empty"))) {
        slot = Slot();
        return true;
    }
    if (!value.isObject())
        return Fail(QStringLiteral("\"%1\" must be \"generated\", \"empty\" or an object").arg(key));

    const QJsonObject spec = value.toObject();
    const QString context = key + QLatin1Char('.');
    if (spec.contains(QStringLiteral("firmware"))) {
        const QString image = spec.value(QStringLiteral("firmware")).toString();
        const QString stem = QStringLiteral(":/firmware/%1_%2%3.bin");
        if (spec.size() != 1 || !QRegularExpression(QStringLiteral("^image[0-9]$")).match(image).hasMatch()
            || !QFile::exists(stem.arg(image, QStringLiteral("header")).arg(position)))
            return Fail(QStringLiteral("%1\"firmware\" must name a shipped image such as \"image6\", alone").arg(context));
        slot.header = FileBytes(stem.arg(image, QStringLiteral("header")).arg(position)).left(kHeaderSize);
        slot.code = FileBytes(stem.arg(image, QStringLiteral("code")).arg(position));
        return problemText.isEmpty();
    }
    if (spec.contains(QStringLiteral("header")) || spec.contains(QStringLiteral("code"))) {
        slot.header = FileBytes(spec.value(QStringLiteral("header")).toString()).left(kHeaderSize);
        slot.code = FileBytes(spec.value(QStringLiteral("code")).toString());
        if (problemText.isEmpty() && slot.header.size() != kHeaderSize)
            return Fail(QStringLiteral("%1header must hold at least 64 bytes").arg(context));
        return problemText.isEmpty();
    }
    for (const QString &field : spec.keys()) {
        if (!QStringList{QStringLiteral("pid"), QStringLiteral("version"), QStringLiteral("build"),
                         QStringLiteral("size")}
                 .contains(field))
            return Fail(QStringLiteral("unknown key \"%1%2\"").arg(context, field));
    }
    if (spec.contains(QStringLiteral("pid")))
        identity.pid = Pid(spec.value(QStringLiteral("pid")), context);
    if (spec.contains(QStringLiteral("version"))) {
        if (!spec.value(QStringLiteral("version")).isDouble())
            return Fail(QStringLiteral("%1\"version\" must be a number").arg(context));
        identity.version = spec.value(QStringLiteral("version")).toDouble();
    }
    identity.build = qint32(Integer(spec, QStringLiteral("build"), identity.build, 0, 0x7FFFFFFF, context));
    size = int(Integer(spec, QStringLiteral("size"), size, kIdentitySize, receiver.capacity, context));
    slot = GeneratedSlot(identity, size);
    return problemText.isEmpty();
}

bool ReceiverReader::ReadBoot(Receiver &receiver)
{
    const QJsonValue value = object.value(QStringLiteral("boot"));
    FirmwareIdentity identity;
    identity.version = kDefaultBootVersion;
    if (value == QJsonValue(QStringLiteral("empty")))
        return true;
    if (value.isObject()) {
        const QJsonObject spec = value.toObject();
        if (!spec.value(QStringLiteral("version")).isDouble() && spec.contains(QStringLiteral("version")))
            return Fail(QStringLiteral("boot.\"version\" must be a number"));
        identity.version = spec.value(QStringLiteral("version")).toDouble(kDefaultBootVersion);
        identity.build = qint32(Integer(spec, QStringLiteral("build"), 0, 0, 0x7FFFFFFF,
                                        QStringLiteral("boot.")));
    } else if (!value.isUndefined() && value != QJsonValue(QStringLiteral("generated"))) {
        return Fail(QStringLiteral("\"boot\" must be \"generated\", \"empty\" or an object"));
    }
    identity.pid = receiver.pid;
    receiver.boot.replace(0, kBootCodeSize, MakeFirmwareBlock(identity, kBootCodeSize));
    return problemText.isEmpty();
}

bool ReceiverReader::CallNumbers(const QJsonObject &spec, const QString &key, const QString &context,
                                 QSet<int> *numbers)
{
    const QJsonValue list = spec.value(key);
    if (!list.isUndefined() && !list.isArray())
        return Fail(QStringLiteral("%1\"%2\" must be a list of call numbers").arg(context, key));
    for (const QJsonValue &n : list.toArray()) {
        const double number = n.toDouble();
        if (!n.isDouble() || !(number >= 1 && number <= kMaxCallNumber) || number != std::floor(number))
            return Fail(QStringLiteral("%1\"%2\" must hold call numbers from 1").arg(context, key));
        numbers->insert(int(number));
    }
    return true;
}

bool ReceiverReader::ReadFaults(Receiver &receiver)
{
    const QJsonValue value = object.value(QStringLiteral("faults"));
    if (value.isUndefined())
        return true;
    if (!value.isObject())
        return Fail(QStringLiteral("\"faults\" must be an object of operation names"));
    const QJsonObject faults = value.toObject();
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const std::optional<Op> op = OpNamed(it.key());
        if (!op)
            return Fail(QStringLiteral("unknown operation \"%1\" in \"faults\"").arg(it.key()));
        if (!it.value().isObject())
            return Fail(QStringLiteral("faults.\"%1\" must be an object").arg(it.key()));
        const QJsonObject spec = it.value().toObject();
        const QString context = QStringLiteral("faults.%1.").arg(it.key());
        Fault fault;
        for (const QString &field : spec.keys()) {
            if (!QStringList{QStringLiteral("fail"), QStringLiteral("always"), QStringLiteral("answerFrom"),
                             QStringLiteral("corrupt")}
                     .contains(field))
                return Fail(QStringLiteral("unknown key \"%1%2\"").arg(context, field));
        }
        if (!CallNumbers(spec, QStringLiteral("fail"), context, &fault.failCalls)
            || !CallNumbers(spec, QStringLiteral("corrupt"), context, &fault.corruptCalls))
            return false;
        const QJsonValue always = spec.value(QStringLiteral("always"));
        if (!always.isUndefined() && !always.isBool())
            return Fail(QStringLiteral("%1\"always\" must be true or false").arg(context));
        fault.always = always.toBool();
        fault.answerFrom = int(Integer(spec, QStringLiteral("answerFrom"), 0, 0, 1000000, context));
        receiver.faults[*op] = fault;
    }
    return problemText.isEmpty();
}

bool ReceiverReader::ReadModel(Receiver &receiver)
{
    const QJsonValue value = object.value(QStringLiteral("model"));
    if (value.isUndefined())
        return true;
    if (!value.isObject())
        return Fail(QStringLiteral("\"model\" must be an object"));
    QJsonObject spec = value.toObject();
    for (const ModelChoice &choice : kModelChoices) {
        const QJsonValue chosen = spec.take(QLatin1String(choice.key));
        if (chosen.isUndefined())
            continue;
        if (chosen != QJsonValue(QLatin1String(choice.whenTrue)) && chosen != QJsonValue(QLatin1String(choice.whenFalse)))
            return Fail(QStringLiteral("model.\"%1\" must be \"%2\" or \"%3\"")
                            .arg(QLatin1String(choice.key), QLatin1String(choice.whenTrue),
                                 QLatin1String(choice.whenFalse)));
        receiver.model.*choice.field = chosen == QJsonValue(QLatin1String(choice.whenTrue));
    }
    if (!spec.isEmpty())
        return Fail(QStringLiteral("unknown key \"model.%1\"").arg(spec.keys().constFirst()));
    return true;
}

std::shared_ptr<Receiver> ReceiverReader::Read(QString *error)
{
    auto receiver = std::make_shared<Receiver>();
    for (const QString &key : object.keys()) {
        if (!kReceiverKeys.contains(key))
            Fail(QStringLiteral("unknown key \"%1\"").arg(key));
    }
    if (!object.contains(QStringLiteral("pid")))
        Fail(QStringLiteral("\"pid\" is missing"));
    receiver->pid = Pid(object.value(QStringLiteral("pid")), QString());

    FirmwareIdentity identity;
    identity.pid = receiver->pid;
    identity.version = Number(QStringLiteral("version"), 6.01);
    identity.build = qint32(Integer(object, QStringLiteral("build"), 0, 0, 0x7FFFFFFF, QString()));
    const int running = int(Integer(object, QStringLiteral("running"), 2, 0, 2, QString()));
    receiver->startPosition =
        int(Integer(object, QStringLiteral("startPosition"), running, 0, 2, QString()));
    receiver->restartTimeMs =
        int(Integer(object, QStringLiteral("restartMs"), receiver->restartTimeMs, 0, kMaxRestartMs, QString()));
    receiver->latencyMs =
        int(Integer(object, QStringLiteral("latencyMs"), receiver->latencyMs, 0, kMaxLatencyMs, QString()));
    receiver->capacity = quint32(
        Integer(object, QStringLiteral("capacity"), receiver->capacity, 0, 0xFFFFFFFFll, QString()));
    receiver->unplugAtCall =
        Integer(object, QStringLiteral("unplugAtCall"), 0, 0, 0x7FFFFFFFll, QString());
    receiver->tornWriteBytes =
        int(Integer(object, QStringLiteral("tornWriteBytes"), -1, -1, 320, QString()));
    const QJsonValue nan = object.value(QStringLiteral("versionNaN"));
    if (!nan.isUndefined() && !nan.isBool())
        Fail(QStringLiteral("\"versionNaN\" must be true or false"));
    receiver->versionNaN = nan.toBool();
    const QJsonValue plugged = object.value(QStringLiteral("plugged"));
    if (!plugged.isUndefined() && !plugged.isBool())
        Fail(QStringLiteral("\"plugged\" must be true or false"));

    if (problemText.isEmpty() && ReadModel(*receiver) && ReadSlot(*receiver, 1, identity)
        && ReadSlot(*receiver, 2, identity) && ReadBoot(*receiver) && ReadFaults(*receiver)) {
        receiver->Boot(running);
        receiver->plugged = plugged.toBool(true);
        return receiver;
    }
    *error = problemText;
    return nullptr;
}

} // namespace

bool SetFaults(Receiver &receiver, const QByteArray &json, QString *error)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    ReceiverReader reader(QJsonObject{{QStringLiteral("faults"), document.object()}}, QStringLiteral("faults"),
                          QString());
    if (document.isObject() && reader.ReadFaults(receiver))
        return true;
    *error = document.isObject() ? reader.Problem() : QStringLiteral("faults: not a JSON object");
    return false;
}

std::shared_ptr<Receiver> MakeReceiver(quint32 pid, double version, qint32 build, int running)
{
    QJsonObject object{{QStringLiteral("pid"), double(pid)},
                       {QStringLiteral("version"), version},
                       {QStringLiteral("build"), build},
                       {QStringLiteral("running"), running}};
    QString error;
    return ReceiverReader(object, QStringLiteral("receiver"), QString()).Read(&error);
}

namespace {

// The receivers of a list, each read as a scenario gives it.
bool ReadReceivers(const QJsonArray &list, int most, const QString &baseDir,
                   QList<std::shared_ptr<Receiver>> *receivers, QString *error)
{
    if (list.size() > most) {
        *error = QStringLiteral("more than %1 receivers").arg(most);
        return false;
    }
    QList<std::shared_ptr<Receiver>> parsed;
    for (int i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("receiver %1").arg(i + 1);
        if (!list.at(i).isObject()) {
            *error = where + QStringLiteral(": must be an object");
            return false;
        }
        auto receiver = ReceiverReader(list.at(i).toObject(), where, baseDir).Read(error);
        if (!receiver)
            return false;
        parsed << receiver;
    }
    *receivers = parsed;
    return true;
}

// {"plugAfterMs": 2000, "unplugAfterMs": 1500, "receivers": [...],
//  "turns": [0, 1, 2, 1]}: turns name receivers by their place in the
// list, from 0; without them each receiver has one turn, in order.
bool ReadBox(const QJsonObject &spec, const QString &baseDir, Box *box, QString *error)
{
    for (const QString &key : spec.keys()) {
        if (!QStringList{QStringLiteral("plugAfterMs"), QStringLiteral("unplugAfterMs"), QStringLiteral("receivers"),
                         QStringLiteral("turns")}.contains(key)) {
            *error = QStringLiteral("unknown key \"box.%1\"").arg(key);
            return false;
        }
    }
    QList<std::shared_ptr<Receiver>> receivers;
    if (!ReadReceivers(spec.value(QStringLiteral("receivers")).toArray(), kMaxBoxReceivers, baseDir, &receivers, error))
        return false;
    const auto time = [&](const char *key, int fallback, int *ms) {
        const QJsonValue value = spec.value(QLatin1String(key));
        const double given = value.toDouble(fallback);
        if (!value.isUndefined() && (!value.isDouble() || given < 0 || given > kMaxRestartMs)) {
            *error = QStringLiteral("\"box.%1\" must be a number of milliseconds").arg(QLatin1String(key));
            return false;
        }
        *ms = int(given);
        return true;
    };
    if (!time("plugAfterMs", box->plugAfterMs, &box->plugAfterMs) || !time("unplugAfterMs", box->unplugAfterMs, &box->unplugAfterMs))
        return false;
    QList<int> turns;
    if (spec.contains(QStringLiteral("turns"))) {
        for (const QJsonValue &turn : spec.value(QStringLiteral("turns")).toArray()) {
            if (!turn.isDouble() || turn.toDouble() < 0 || turn.toDouble() >= receivers.size() || turns.size() >= kMaxBoxReceivers) {
                *error = QStringLiteral("\"box.turns\" must name receivers of the box by their place, from 0");
                return false;
            }
            turns << int(turn.toDouble());
        }
    } else {
        for (int i = 0; i < receivers.size(); ++i)
            turns << i;
    }
    box->turns = int(turns.size());
    box->receiverAt = [receivers, turns](int turn) { return receivers.at(turns.at(turn)); };
    return true;
}

} // namespace

bool ParseScenario(const QByteArray &json, const QString &baseDir,
                   QList<std::shared_ptr<Receiver>> *receivers, QString *error, std::optional<Box> *box)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        return false;
    }
    const QJsonObject root = document.object();
    const bool inBox = root.value(QStringLiteral("box")).isObject() && box;
    if (!document.isObject() || (!inBox && !root.value(QStringLiteral("receivers")).isArray())) {
        *error = QStringLiteral("expected an object with a \"receivers\" list");
        return false;
    }
    for (const QString &key : root.keys()) {
        if (key != QLatin1String(inBox ? "box" : "receivers") && key != QLatin1String("description")) {
            *error = QStringLiteral("unknown key \"%1\"").arg(key);
            return false;
        }
    }
    if (inBox) {
        Box read;
        if (!ReadBox(root.value(QStringLiteral("box")).toObject(), baseDir, &read, error))
            return false;
        receivers->clear();
        *box = read;
        return true;
    }
    return ReadReceivers(root.value(QStringLiteral("receivers")).toArray(), Bus::kMaxReceivers, baseDir, receivers, error);
}

bool LoadScenario(const QString &nameOrFile, QList<std::shared_ptr<Receiver>> *receivers,
                  QString *error, std::optional<Box> *box)
{
    const QString builtIn = QStringLiteral(":/scenarios/%1.json").arg(nameOrFile);
    const QString file = QFile::exists(builtIn) ? builtIn : nameOrFile;
    QByteArray json;
    return ReadCapped(file, kMaxScenarioBytes, &json, error)
        && ParseScenario(json, QFileInfo(file).absolutePath(), receivers, error, box);
}

} // namespace sim
