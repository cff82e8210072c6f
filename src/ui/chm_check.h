#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// Checks a compiled help file's bytes before any of it is decoded: the headers, the directory
// chunks and their links, the compression's control data and reset table, and every length and
// offset against the file's size. The decoder checks much of this itself; these checks also keep
// what a file can make it do (how far it inflates, how large its buffers are) to what a help file
// of ours needs, and they refuse what older readers took on trust.
// Empty when the file is sound; otherwise what is wrong with it, for a developer.
std::string helpFileFault(const std::uint8_t* bytes, std::size_t size);

} // namespace corvane
