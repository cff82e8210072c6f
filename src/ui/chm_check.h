#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// Checks a compiled help file's bytes for everything chmlib takes on trust: the headers, the
// directory chunks and their links, the compression's control data and reset table, and every
// length and offset against the file's size. chmlib divides by those values, sizes buffers by
// them and follows the links without bounds, so a file must pass here before chmlib opens it.
// Empty when the file is sound; otherwise what is wrong with it, for a developer.
std::string helpFileFault(const std::uint8_t* bytes, std::size_t size);

} // namespace corvane
