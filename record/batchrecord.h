#ifndef ORVEX_BATCHRECORD_H
#define ORVEX_BATCHRECORD_H

#include "record.h"

// The record as a batch hands it to the engine. A receiver this batch
// failed to update that comes back later is taken for one whose run
// failed, whatever run of the same firmware (on another receiver of the
// box) came after it, until a run finishes it. Receivers cannot be told
// apart through the device interface; where several failed runs could be
// its own, it is taken for the one that got least far, so that nothing
// is called whole on another receiver's word. A receiver that runs the
// firmware such a run never put on a copy it restarted onto is not its
// receiver (the selection asks), and is judged by its own word.
class BatchRecord : public UpdateRecord
{
public:
    explicit BatchRecord(Record &record) : record(record) {}

    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) override;
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) override;
    void StepCompleted(int step, const QString &line, const QString &path) override;
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine) override;
    void RunFoundComplete(const RecordedRun &run) override;
    void ReceiverFound() override { record.ReceiverFound(); }
    void Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target) override
    {
        record.Offered(receiver, target);
    }
    bool Keeps() override { return record.Keeps(); }

private:
    void Forget(const QString &id);

    Record &record;
    QList<RecordedRun> failures; // this batch's runs that did not end with 0, not yet finished
    RecordedRun current;
    QString asked;     // the failure the selection was last given
    QString finishing; // the failure the run under way finishes
};

#endif
