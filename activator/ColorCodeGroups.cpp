#include "activator/ColorCodeGroups.h"

#include <algorithm>
#include <utility>

namespace {

// The mode order of a code set, as code numbers.
constexpr int kModeCodes[kColorCodeModeCount] = {kCodeInterlace, kCodePageFlip, kCodeSyncDouble,
                                                 kCodeLineBlank, kCodeNormal};

CodeSet MakeDefaultCodeSet() {
    CodeSet codes{};
    for (int mode = 0; mode < kColorCodeModeCount; ++mode) {
        for (const CodeLine& line : PatternForCode(kModeCodes[mode])) {
            if (line.row >= 0 && line.row < kColorCodeLineCount)
                codes[CodeSetIndex(mode, line.row)] = line.colour;
        }
    }
    return codes;
}

} // namespace

const CodeSet& DefaultCodeSet() {
    static const CodeSet codes = MakeDefaultCodeSet();
    return codes;
}

int MatchingSwatch(CodeColour colour) {
    auto found = std::find(kSwatchColours.begin(), kSwatchColours.end(), colour);
    return found == kSwatchColours.end() ? 0 : static_cast<int>(found - kSwatchColours.begin());
}

std::array<std::uint8_t, kStoredCodeSetBytes> EncodeCodeSet(const CodeSet& codes) {
    std::array<std::uint8_t, kStoredCodeSetBytes> bytes{};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        for (std::size_t b = 0; b < 4; ++b)
            bytes[i * 4 + b] = static_cast<std::uint8_t>(codes[i] >> (8 * b));
    }
    return bytes;
}

int DecodeCodeSet(std::span<const std::uint8_t> bytes, CodeSet& codes) {
    const std::size_t count = std::min(bytes.size() / 4, codes.size());
    for (std::size_t i = 0; i < count; ++i) {
        CodeColour value = 0;
        for (std::size_t b = 0; b < 4; ++b)
            value |= static_cast<CodeColour>(bytes[i * 4 + b]) << (8 * b);
        codes[i] = value & 0x00FFFFFF;
    }
    return static_cast<int>(count);
}

CColorCodeGroups::CColorCodeGroups() {
    m_names[0] = kBuiltInGroupName;
    m_codes[0] = DefaultCodeSet();
}

std::size_t CColorCodeGroups::Slot(int group) {
    // Out-of-range indices break the accessors' contract; they still never reach outside the table.
    return static_cast<std::size_t>(std::clamp(group, 0, kMaxColorCodeGroups - 1));
}

CodeColour CColorCodeGroups::Entry(int group, int mode, int line) const {
    return m_codes[Slot(group)][static_cast<std::size_t>(CodeSetIndex(
        std::clamp(mode, 0, kColorCodeModeCount - 1), std::clamp(line, 0, kColorCodeLineCount - 1)))];
}

void CColorCodeGroups::SetEntry(int group, int mode, int line, CodeColour colour) {
    m_codes[Slot(group)][static_cast<std::size_t>(CodeSetIndex(
        std::clamp(mode, 0, kColorCodeModeCount - 1), std::clamp(line, 0, kColorCodeLineCount - 1)))] =
        colour;
}

bool CColorCodeGroups::SetActive(int group) noexcept {
    if (!IsInUse(group))
        return false;
    m_active = group;
    return true;
}

int CColorCodeGroups::Add(const std::string& name, bool copy, int source) {
    CodeSet codes{};
    if (copy && IsInUse(source))
        codes = m_codes[Slot(source)];
    return Append(name, codes);
}

int CColorCodeGroups::Append(const std::string& name, const CodeSet& codes) {
    if (!CanAdd())
        return -1;
    const int group = m_count++;
    m_names[Slot(group)] = name;
    m_codes[Slot(group)] = codes;
    return group;
}

int CColorCodeGroups::Delete(int group) {
    if (group == 0 || !IsInUse(group))
        return -1;
    for (int slot = group; slot + 1 < m_count; ++slot) {
        m_names[Slot(slot)] = std::move(m_names[Slot(slot + 1)]);
        m_codes[Slot(slot)] = m_codes[Slot(slot + 1)];
    }
    --m_count;
    m_names[Slot(m_count)].clear();
    m_codes[Slot(m_count)] = CodeSet{};
    const int current = group < m_count ? group : group - 1;
    if (m_active > current)
        --m_active;
    return current;
}

bool CColorCodeGroups::Rename(int group, const std::string& name) {
    if (group == 0 || !IsInUse(group))
        return false;
    m_names[Slot(group)] = name;
    return true;
}
