// The product's sort order of the file list: the platform's case-sensitive
// locale comparison of single-byte strings.
#pragma once
#include "loader/views/file_list.h"

namespace kb::loader {

Collator LstrcmpCollator();

}  // namespace kb::loader
