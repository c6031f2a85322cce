#pragma once

#include "hostprofile.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstddef>
#include <cstdint>

class PluginHarness;

// What every target shares: one application object and one plug-in for the whole run, as the
// host has them, and the means to finish one input completely before the next starts.
namespace Fuzz {

// From LLVMFuzzerInitialize, once. A QCoreApplication: no target creates a view, and without a GUI
// application nothing the plug-in hands to the system's URL handlers can ever be opened.
void startApplication(const char* argv0);

// The demo profile the launcher starts with when it is given none, with a connectivity test
// address that needs no resolver.
HostProfile profile();

// The plug-in loaded through QPluginLoader and bound to a stand-in host the way the launcher binds
// it (host, language, account). Lives for the process. Plug-ins in hiddenHostPlugins are absent.
PluginHarness& harness(const QList<QUuid>& hiddenHostPlugins = {});

// The page command path after the origin gate: the reply envelope the plug-in queued, or {}.
QJsonObject command(const QString& text, int pageMask = 8);

// Runs what is queued: posted events, due timers, deferred deletions, and what they queue in turn.
void runQueued();
// Runs what the input left queued and forgets the host call log, so nothing carries over to the
// next input or grows with the run.
void settle();

// Ends the run as a finding, with the reason and what it concerns.
[[noreturn]] void fail(const char* reason, const QString& detail = QString());

QString text(const uint8_t* data, size_t size);

} // namespace Fuzz
