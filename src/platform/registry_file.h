// Internal to the registry stand-in: one root's keys in memory, and the text
// file that holds them.
//
// The file is plain text, one item a line:
//     brackwater-registry 1
//     key "Software\Sparlin\GUID"
//     value "Description" text(1) "Jo at Example Ltd"
//     value "RUNID" hex(3) 02000000
//     value "Flag" dword(4) 00000001
//     end
// Quoted texts carry '%', '"' and control bytes as %XX. A string value's text
// leaves out its terminating zero. Anything that does not parse, including a
// missing "end" line, makes the whole file read as empty.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace platform::detail {

struct NamedValue {
    std::string name;  // as first written
    RegistryValue value;
};

struct RegistryKeyData {
    std::string path;                          // as first written
    std::map<std::string, NamedValue> values;  // by folded name
};

/// Every key of one root by folded path; the keys above a key are always present.
using RegistryTree = std::map<std::string, RegistryKeyData>;

/// The comparison form of a key path or value name: ASCII letters in lower
/// case, backslashes single, none at either end.
std::string FoldName(std::string_view name);
/// The key path with empty parts dropped, spelling kept.
std::string CleanPath(std::string_view path);

/// Adds `path` and every key above it that is missing.
RegistryKeyData& EnsureKey(RegistryTree& tree, std::string_view path);

std::string FormatRegistry(const RegistryTree& tree);
/// The tree a file's text holds; an empty tree for text that is not a whole registry file.
RegistryTree ParseRegistry(std::string_view text);

}  // namespace platform::detail
