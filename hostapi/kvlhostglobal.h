#pragma once

#include <QtGlobal>

// The host's two libraries export their classes; whoever links them (the host, its plug-ins)
// imports them. On Windows this is what puts the classes' static data, such as their meta-objects,
// in the import libraries; with GCC on ELF both expand to default visibility, which they have
// anyway. Each library's own build defines its KVLHOST_*_LIBRARY.
#if defined(KVLHOST_SERVICE_LIBRARY)
#  define KVLHOST_SERVICE_EXPORT Q_DECL_EXPORT
#else
#  define KVLHOST_SERVICE_EXPORT Q_DECL_IMPORT
#endif

#if defined(KVLHOST_UI_LIBRARY)
#  define KVLHOST_UI_EXPORT Q_DECL_EXPORT
#else
#  define KVLHOST_UI_EXPORT Q_DECL_IMPORT
#endif
