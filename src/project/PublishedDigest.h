#pragma once
// What a published result was made from, kept with the project so that a later status can tell an
// input changed since (a field, a script, a setting) from one that did not.
#include <map>
#include <string>

namespace docvane {

// Digests by part name ("fields", "script", "settings", ...), each a lower-case hexadecimal text.
// Empty until a publication records it: a file never published, or read from a project file written
// before digests were kept, has none. Parts this program does not compute are kept as read, so a
// project saved here loses nothing a newer program recorded.
using PublishedDigest = std::map<std::string, std::string>;

}  // namespace docvane
