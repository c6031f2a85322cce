#include "kevent.h"

CountryCodeChangeEvent::~CountryCodeChangeEvent() = default;
