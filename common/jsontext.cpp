#include "jsontext.h"

#include <QString>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace JsonText {

namespace {

// Qt's parser refuses text nested deeper than this at the first level past it, so nothing past
// that point is ever parsed, and the scan needs no more levels than the parser.
constexpr size_t kParserNestingLimit = 1024;
// Most objects name a few keys: a short list searched in order costs less than a hash table.
constexpr size_t kShortObject = 24;

// The keys of one object or array being read, by the hash of their decoded text, each with
// whether its latest value is a non-empty object or array. Kept between uses, so a list of many
// small objects reuses the same storage.
struct Level
{
    bool object = false;
    bool expectKey = false;
    bool empty = true;
    std::vector<std::pair<size_t, bool>> few;
    std::unordered_map<size_t, bool> many;
    // The key whose value is being read, if any, by its hash. Not a pointer to its entry: the
    // levels live in a vector that grows with the nesting, and a level it copies rather than moves
    // (a standard library whose hash map may throw on move) would leave such a pointer dangling.
    bool readingValue = false;
    size_t valueKey = 0;

    void reset(bool isObject)
    {
        object = isObject;
        expectKey = isObject;
        empty = true;
        few.clear();
        many.clear();
        readingValue = false;
    }

    // Records whether the value of the key being read turned out a non-empty object or array.
    void fillValue(bool filled)
    {
        if (!readingValue)
            return;
        bool added = false;
        *entry(valueKey, &added) = filled;
    }

    // The entry of the key, added when new; *added tells which.
    bool* entry(size_t hash, bool* added)
    {
        if (many.empty()) {
            for (auto& known : few) {
                if (known.first == hash) {
                    *added = false;
                    return &known.second;
                }
            }
            if (few.size() < kShortObject) {
                *added = true;
                few.emplace_back(hash, false);
                return &few.back().second;
            }
            many.reserve(few.size() * 4);
            many.insert(few.begin(), few.end());
        }
        auto [it, inserted] = many.try_emplace(hash, false);
        *added = inserted;
        return &it->second;
    }
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Index of the quote that closes the string opening at text[i] (or the end of the text).
int skipString(const char* text, int size, int i)
{
    for (int from = i + 1;;) {
        const void* quote = std::memchr(text + from, '"', static_cast<size_t>(size - from));
        if (!quote)
            return size;
        const int at = static_cast<int>(static_cast<const char*>(quote) - text);
        // Escaped when an odd run of backslashes stands before it; each backslash is counted
        // once, since the run behind the next quote ends at this one.
        int backslashes = 0;
        while (at - backslashes - 1 > i && text[at - backslashes - 1] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            return at;
        from = at + 1;
    }
}

// The key opening at text[i], decoded to UTF-16 as the parser decodes it; returns the index of
// its closing quote (or the end of the text).
int readKey(const char* text, int size, int i, std::u16string* decoded)
{
    decoded->clear();
    // Qt 5.15's parser takes a raw NUL as the key's end when it compares keys: two keys alike up
    // to one are the same key to it, whatever follows.
    const size_t whole = static_cast<size_t>(-1);
    size_t kept = whole;
    int j = i + 1;
    while (j < size && text[j] != '"') {
        const char d = text[j];
        if (d == '\0' && kept == whole)
            kept = decoded->size();
        if (d == '\\') {
            if (++j >= size)
                break;
            const char escape = text[j++];
            if (escape == 'u' && j + 4 <= size) {
                decoded->push_back(static_cast<char16_t>(QByteArray::fromRawData(text + j, 4).toUShort(nullptr, 16)));
                j += 4;
            } else {
                static const char from[] = "bfnrt";
                static const char to[] = "\b\f\n\r\t";
                const char* found = escape ? std::strchr(from, escape) : nullptr;
                decoded->push_back(static_cast<char16_t>(found ? to[found - from] : escape));
            }
        } else if (static_cast<unsigned char>(d) < 0x80) {
            decoded->push_back(static_cast<char16_t>(d));
            ++j;
        } else {
            // A run of multi-byte characters, decoded (or replaced) the way the parser would.
            int end = j;
            while (end < size && static_cast<unsigned char>(text[end]) >= 0x80)
                ++end;
            const QString run = QString::fromUtf8(text + j, end - j);
            decoded->append(reinterpret_cast<const char16_t*>(run.utf16()), static_cast<size_t>(run.size()));
            j = end;
        }
    }
    if (kept != whole)
        decoded->resize(kept);
    return j < size ? j : size;
}

} // namespace

bool replacesNonEmptyValue(const QByteArray& json)
{
    std::vector<Level> levels;
    size_t depth = 0;
    std::u16string key;
    const char* const text = json.constData();
    const int size = json.size();
    for (int i = 0; i < size; ++i) {
        const char c = text[i];
        if (isSpace(c))
            continue;
        // Good for this character only: opening a level below may grow the vector.
        Level* const top = depth ? &levels[depth - 1] : nullptr;
        if (top && c != '}' && c != ']')
            top->empty = false;

        if (c == '{' || c == '[') {
            if (depth == kParserNestingLimit)
                return false;
            if (depth == levels.size())
                levels.emplace_back();
            levels[depth++].reset(c == '{');
        } else if (c == '}' || c == ']') {
            if (!top)
                continue;
            const bool filled = !top->empty;
            if (--depth)
                levels[depth - 1].fillValue(filled);
        } else if (c == ',') {
            if (top && top->object) {
                top->expectKey = true;
                top->readingValue = false;
            }
        } else if (c == '"') {
            if (!top || !top->object || !top->expectKey) {
                i = skipString(text, size, i);
                continue;
            }
            i = readKey(text, size, i, &key);
            top->expectKey = false;
            bool added = false;
            const size_t hash = std::hash<std::u16string_view>()(key);
            bool* filled = top->entry(hash, &added);
            // Two different keys of one hash only make the text look refused; they cannot hide a
            // repeat.
            if (!added && *filled)
                return true;
            *filled = false;
            top->readingValue = true;
            top->valueKey = hash;
        }
    }
    return false;
}

} // namespace JsonText
