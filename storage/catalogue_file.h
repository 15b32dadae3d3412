// The compiled catalogues (gettext's .mo files): where a language's lies and whether glibc may
// be handed it. The file comes from outside: every table and string must lie within it.
#pragma once

#include <string>
#include <string_view>

namespace storage {

// The path of the catalogue of code ("de", "zh_CN") in the locale folder.
std::string CataloguePath(std::string_view code);

// Reads the .mo file at path and checks its structure: the magic number in either byte order,
// revision 0, both string tables, the hash table and every string (NUL-terminated) within the
// file, at most 16 MiB. Returns false with problem set to one line (naming the file) otherwise.
// Any thread.
bool CheckCatalogue(const std::string& path, std::string& problem);

}  // namespace storage
