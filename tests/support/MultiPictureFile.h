#pragma once
// Multi-picture files (.mpo) made from JPEG streams as stereo cameras write them: the first picture
// with an APP2 "MPF" index right after its start-of-image marker, the other pictures after it. Plain
// code, for the tests and the benchmarks.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace testing_support {

using CBytes = std::vector<std::uint8_t>;

// Where the index lies in a built file, so that a test can damage it.
struct CMultiPictureLayout {
    std::size_t structureStart = 0; // the byte order mark, from which picture offsets count
    std::size_t firstEntry = 0;     // the first MP entry: attributes, size, offset, two entry numbers
    std::size_t pictureNumber = 0;  // the value of the number of pictures
};

// A multi-picture file of `pictures` (whole JPEG streams) with a correct index, in either byte order.
inline CBytes BuildMultiPictureFile(const std::vector<CBytes>& pictures, bool bigEndian = false,
                                    CMultiPictureLayout* layout = nullptr) {
    const auto count = static_cast<std::uint32_t>(pictures.size());
    // The structure: byte order, IFD offset, the IFD of three entries and its next-IFD offset, then the
    // MP entries.
    const std::uint32_t entriesAt = 8 + 2 + 3 * 12 + 4;
    const std::uint32_t structureBytes = entriesAt + 16 * count;
    const std::uint32_t segmentBytes = 4 + 4 + structureBytes; // marker, length, "MPF\0", structure

    // The first picture's start-of-image marker, the segment's marker and length, "MPF\0".
    CBytes file;
    for (std::uint8_t byte : {0xFF, 0xD8, 0xFF, 0xE2})
        file.push_back(byte);
    file.push_back(static_cast<std::uint8_t>((segmentBytes - 2) >> 8));
    file.push_back(static_cast<std::uint8_t>(segmentBytes - 2));
    for (char letter : {'M', 'P', 'F', '\0'})
        file.push_back(static_cast<std::uint8_t>(letter));
    const std::size_t structureStart = file.size();

    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<std::uint8_t>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
    };
    const auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t n) {
        put(tag, 2);
        put(type, 2);
        put(n, 4);
    };
    for (char mark : bigEndian ? std::string_view("MM\0*", 4) : std::string_view("II*\0", 4))
        file.push_back(static_cast<std::uint8_t>(mark));
    put(8, 4);
    put(3, 2);
    // The version is four characters, whatever the byte order.
    entry(0xB000, 7, 4);
    for (char digit : std::string_view("0100"))
        file.push_back(static_cast<std::uint8_t>(digit));
    entry(0xB001, 4, 1);
    put(count, 4);
    entry(0xB002, 7, 16 * count);
    put(entriesAt, 4);
    put(0, 4);
    std::size_t position = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto size = static_cast<std::uint32_t>(pictures[i].size() + (i == 0 ? segmentBytes : 0));
        put(i == 0 ? 0x20030000u : 0x00020002u, 4);
        put(size, 4);
        put(i == 0 ? 0 : static_cast<std::uint32_t>(position - structureStart), 4);
        put(0, 2);
        put(0, 2);
        position += size;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        file.insert(file.end(), pictures[i].begin() + (i == 0 ? 2 : 0), pictures[i].end());
    if (layout)
        *layout = {structureStart, structureStart + entriesAt, structureStart + 8 + 2 + 12 + 8};
    return file;
}

} // namespace testing_support
