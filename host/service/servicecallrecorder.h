#pragma once

#include <QJsonArray>
#include <QString>

#include <functional>

// Calls a plug-in makes into the service library's process-wide services (KLauncher) go to one
// recorder, which a host installs so that they show in its call log beside the calls its own
// plug-ins receive. One per process, like the services themselves.
namespace ServiceCallRecorder {

using Recorder = std::function<void(const QString& iface, const QString& op, const QJsonArray& args)>;

// Replaces any recorder installed before; owner tells installers apart.
void install(const void* owner, Recorder recorder);
// Removes the recorder if owner installed it, and returns once none of its calls is running, so
// what it records into may go. Never call from inside a recorder.
void remove(const void* owner);
// Tells the recorder, if there is one, on the calling thread.
void record(const QString& iface, const QString& op, const QJsonArray& args = QJsonArray());

} // namespace ServiceCallRecorder
