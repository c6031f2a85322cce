#pragma once

#include "hostprofile.h"

#include <QString>

// Reads a host profile file. False on a file that cannot be read or is malformed, with *error
// naming the file and the problem; *profile is left as it was.
bool loadProfileFile(const QString& file, HostProfile* profile, QString* error);

// The connectivity test address and the web service host (AppConfig 24 and 25) point to the
// launcher's own web service unless the profile names others.
void useServiceAddressByDefault(HostProfile* profile, const QString& baseUrl);
