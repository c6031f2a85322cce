#include "servicecallrecorder.h"

#include <QReadWriteLock>

namespace {

struct Installed
{
    // Recursive: a recorder may itself lead to a call into the library on the same thread.
    QReadWriteLock lock{QReadWriteLock::Recursive};
    const void* owner = nullptr;
    ServiceCallRecorder::Recorder recorder;
};

Installed& installed()
{
    // Never destroyed: the services it records outlive every static of the process.
    static Installed* state = new Installed;
    return *state;
}

} // namespace

namespace ServiceCallRecorder {

void install(const void* owner, Recorder recorder)
{
    Installed& state = installed();
    QWriteLocker lock(&state.lock);
    state.owner = owner;
    state.recorder = std::move(recorder);
}

void remove(const void* owner)
{
    Installed& state = installed();
    QWriteLocker lock(&state.lock);
    if (state.owner != owner)
        return;
    state.owner = nullptr;
    state.recorder = nullptr;
}

void record(const QString& iface, const QString& op, const QJsonArray& args)
{
    Installed& state = installed();
    // Held for reading through the call, so remove() cannot return while one is running.
    QReadLocker lock(&state.lock);
    if (state.recorder)
        state.recorder(iface, op, args);
}

} // namespace ServiceCallRecorder
