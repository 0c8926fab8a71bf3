#ifndef ORVEX_SLEEPINHIBITOR_H
#define ORVEX_SLEEPINHIBITOR_H

#include <memory>

// Keeps the system from sleeping or shutting down quietly while it lives.
// Where the system offers no such lock, it does nothing.
class SleepInhibitor
{
public:
    // Where the lock comes from; tests put in a fake.
    class Backend
    {
    public:
        virtual ~Backend() = default;
        // A held lock, released when the returned object is destroyed;
        // nullptr when none could be taken.
        virtual std::shared_ptr<void> Take() = 0;
    };

    SleepInhibitor();
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor &) = delete;
    SleepInhibitor &operator=(const SleepInhibitor &) = delete;

    bool Held() const { return lock != nullptr; }

    // nullptr puts the system's own backend back.
    static void SetBackend(Backend *backend);

private:
    std::shared_ptr<void> lock;
};

#endif
