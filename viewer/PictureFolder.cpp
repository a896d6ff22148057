#include "viewer/PictureFolder.h"

#include "framework/Handles.h"

#include <shlwapi.h>

#include <algorithm>

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Explorer's order; names that it takes for equal ("a1", "a01") keep an order of their own.
bool ComesBefore(const std::wstring& a, const std::wstring& b) {
    const int logical = StrCmpLogicalW(a.c_str(), b.c_str());
    return logical != 0 ? logical < 0 : a < b;
}

// `path` made absolute, with its long names.
std::wstring FullPath(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
    const DWORD longLength = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (longLength == 0)
        return full;
    std::wstring longPath(longLength, L'\0');
    longPath.resize(GetLongPathNameW(full.c_str(), longPath.data(), longLength));
    return longPath.empty() ? full : longPath;
}

} // namespace

template <typename Wanted> void CPictureFolder::List(const std::wstring& opened, Wanted wanted) {
    m_entries.clear();
    m_position = 0;
    WIN32_FIND_DATAW found;
    CFindHandle finder(FindFirstFileExW((m_folder + L"*").c_str(), FindExInfoBasic, &found,
                                        FindExSearchNameMatch, nullptr, 0));
    if (!finder)
        return;
    do {
        const std::wstring name = found.cFileName;
        const std::optional<CPictureKind> kind = PictureKindOf(name);
        const bool shown = !(found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ||
                           SameName(name, opened);
        if (kind && shown && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wanted(*kind)) {
            const CPictureEntry entry = EntryOf(std::wstring(), found);
            m_entries.push_back({name, *kind, entry.length, entry.written});
        }
    } while (FindNextFileW(finder, &found));
    // A merge sort: it stays within the list whatever the comparison answers.
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const CEntry& a, const CEntry& b) { return ComesBefore(a.name, b.name); });
}

CPictureFolder::COpenResult CPictureFolder::Open(const std::wstring& path, bool preferStereo) {
    m_entries.clear();
    m_position = 0;
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return COpenResult::kNotFound;
    std::wstring full = FullPath(path);
    m_folderGiven = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    if (m_folderGiven) {
        m_folder = full.empty() || full.back() == L'\\' ? full : full + L'\\';
        for (bool stereo : {preferStereo, !preferStereo}) {
            m_stereo = stereo;
            List(std::wstring(), [&](CPictureKind kind) { return IsStereoKind(kind) == stereo; });
            if (!m_entries.empty())
                return COpenResult::kOpened;
        }
        return COpenResult::kNoPicture;
    }

    const std::size_t slash = full.find_last_of(L'\\');
    const std::wstring name = slash == std::wstring::npos ? full : full.substr(slash + 1);
    const std::optional<CPictureKind> kind = PictureKindOf(name);
    if (!kind)
        return COpenResult::kNotAPicture;
    m_folder = full.substr(0, slash + 1);
    m_stereo = IsStereoKind(*kind);
    List(name, [&](CPictureKind listed) { return IsStereoKind(listed) == m_stereo; });
    const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const CEntry& entry) { return SameName(entry.name, name); });
    if (at != m_entries.end()) {
        m_position = static_cast<std::size_t>(at - m_entries.begin());
    } else {
        // A folder that cannot be listed still shows the file.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data);
        const CPictureEntry entry = EntryOf(std::wstring(), data);
        m_entries = {CEntry{name, *kind, entry.length, entry.written}};
    }
    return COpenResult::kOpened;
}

void CPictureFolder::MoveTo(std::size_t position) noexcept {
    if (position < m_entries.size())
        m_position = position;
}

CPictureEntry CPictureFolder::Entry(std::size_t position) const {
    const CEntry& entry = m_entries[position];
    return {m_folder + entry.name, entry.length, entry.written};
}

std::optional<std::size_t> CPictureFolder::PositionOf(const std::wstring& path) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (SameName(m_folder + m_entries[i].name, path))
            return i;
    return std::nullopt;
}

void CPictureFolder::Relist() {
    if (m_entries.empty())
        return;
    std::vector<CEntry> was = m_entries;
    const std::size_t position = m_position;
    const std::wstring name = was[position].name;
    List(name, [&](CPictureKind kind) { return IsStereoKind(kind) == m_stereo; });
    if (m_entries.empty()) {
        m_entries = std::move(was);
        m_position = position;
        return;
    }
    const std::optional<std::size_t> same = PositionOf(m_folder + name);
    m_position = same ? *same : std::min(position, m_entries.size() - 1);
}
