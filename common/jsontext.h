#pragma once

#include <QByteArray>

namespace JsonText {

// True when an object in the text names a key twice and a value it replaces is a non-empty object
// or array. Qt 5.15's parser keeps the last value of a repeated key and never frees such an earlier
// one, so every untrusted text is checked before QJsonDocument::fromJson sees it. A scan, not a
// parse: text that is not JSON may give either answer, and the parser refuses it anyway.
bool replacesNonEmptyValue(const QByteArray& json);

} // namespace JsonText
