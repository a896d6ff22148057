#pragma once
// The colour-code groups that the ColorCode editor keeps: up to five named groups, each holding a code
// set of 16 colours for each of the five stereo modes, with group 0 the built-in group. Plain data and
// rules, free of any Windows header.

#include "linecode/LineCodePatterns.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr int kColorCodeModeCount =
    5; // Interlace, Page Flipping, Sync. Doubling, Line Blanking, Normal
inline constexpr int kColorCodeLineCount = 16;
inline constexpr int kCodeSetSize = kColorCodeModeCount * kColorCodeLineCount;
inline constexpr int kMaxColorCodeGroups = 5;
inline constexpr char kBuiltInGroupName[] = "Korva";
// The longest group name that the registry's 255-byte string rule reads back.
inline constexpr std::size_t kMaxGroupNameLength = 254;

// A code set: 80 colours (COLORREF layout 0x00BBGGRR) stored mode-major, entry (mode, line) at
// mode * 16 + line.
using CodeSet = std::array<CodeColour, kCodeSetSize>;
constexpr int CodeSetIndex(int mode, int line) {
    return mode * kColorCodeLineCount + line;
}

// The single-height line codes of the five modes, in mode order: what Default restores.
const CodeSet& DefaultCodeSet();

// The eight swatches of the editor, in the order R, G, B, D (black), C, M, Y, W.
inline constexpr int kSwatchCount = 8;
inline constexpr std::array<CodeColour, kSwatchCount> kSwatchColours = {
    0x000000FF, 0x0000FF00, 0x00FF0000, 0x00000000, 0x00FFFF00, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF,
};
// The lowest swatch index whose colour equals `colour`; 0 when none does.
int MatchingSwatch(CodeColour colour);

// The stored form of a code set: 80 little-endian 32-bit values.
inline constexpr std::size_t kStoredCodeSetBytes = kCodeSetSize * 4;
std::array<std::uint8_t, kStoredCodeSetBytes> EncodeCodeSet(const CodeSet& codes);
// Overwrites the first entries of `codes` with the whole 32-bit values that `bytes` holds, at most 80;
// the rest keep their colours. Each colour is cut to its 24 colour bits. Returns how many were read.
int DecodeCodeSet(std::span<const std::uint8_t> bytes, CodeSet& codes);

// The groups in use (slots 0 to Count() - 1) and the active group. Slot 0 is always the built-in group
// "Korva": it cannot be deleted or renamed. Group indices given to the accessors must be in use.
class CColorCodeGroups {
public:
    // The built-in group alone, with the default code set, active.
    CColorCodeGroups();

    int Count() const noexcept { return m_count; }
    bool IsInUse(int group) const noexcept { return group >= 0 && group < m_count; }
    const std::string& Name(int group) const { return m_names[Slot(group)]; }
    const CodeSet& Codes(int group) const { return m_codes[Slot(group)]; }
    CodeColour Entry(int group, int mode, int line) const;
    void SetEntry(int group, int mode, int line, CodeColour colour);
    void SetCodes(int group, const CodeSet& codes) { m_codes[Slot(group)] = codes; }

    int Active() const noexcept { return m_active; }
    // False, and nothing changes, for a group that is not in use.
    bool SetActive(int group) noexcept;

    // Add is possible below five groups, Delete above one.
    bool CanAdd() const noexcept { return m_count < kMaxColorCodeGroups; }
    bool CanDelete() const noexcept { return m_count > 1; }

    // Appends a group named `name`. With `copy` its code set is that of group `source`, or all black
    // when `source` is not in use; without `copy` it is all black. Returns the new group's index, or -1
    // (nothing changes) when five groups are in use.
    int Add(const std::string& name, bool copy, int source);
    // Appends a group with the given code set; -1 when five groups are in use.
    int Append(const std::string& name, const CodeSet& codes);
    // Deletes group `group`; the groups after it move down one place. Returns the group that takes its
    // place as the one being edited: its successor, or its predecessor when it was the last. The active
    // index falls by one when it lies beyond that group. -1, and nothing changes, for group 0 or a
    // group not in use.
    int Delete(int group);
    // False, and nothing changes, for group 0 or a group not in use.
    bool Rename(int group, const std::string& name);

private:
    static std::size_t Slot(int group);

    std::array<std::string, kMaxColorCodeGroups> m_names;
    std::array<CodeSet, kMaxColorCodeGroups> m_codes{};
    int m_count = 1;
    int m_active = 0;
};
