#pragma once
// The pictures of one folder that the viewer pages through: the files of one family, the stereo
// pictures (.jps, .mpo and .pns) or the flat ones (PictureFile.h), in the order in which Explorer sorts
// names (StrCmpLogicalW: runs of digits by their value, letters regardless of case). Hidden and system
// files are left out, as Explorer leaves them out, unless one of them is the file opened.

#include "display/PictureFile.h"
#include "display/PictureTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CPictureFolder {
public:
    enum class COpenResult {
        kOpened,
        kNotFound,    // no such file or folder
        kNotAPicture, // a file of another type
        kNoPicture,   // a folder without a picture of either family
    };

    // Opens the folder of the picture file at `path` (made absolute), at that file; or the folder at
    // `path`, at its first picture of the stereo family (`preferStereo`) or the flat one, or else of
    // the other family. What was open before is closed.
    COpenResult Open(const std::wstring& path, bool preferStereo);

    // Whether a folder was opened, rather than a picture file.
    bool FolderGiven() const noexcept { return m_folderGiven; }

    // The number of pictures and the one at the position (0 to Count() - 1).
    std::size_t Count() const noexcept { return m_entries.size(); }
    std::size_t Position() const noexcept { return m_position; }
    void MoveTo(std::size_t position) noexcept;

    // The picture at the position: its name, its full path and its kind.
    const std::wstring& Name() const { return m_entries[m_position].name; }
    std::wstring Path() const { return m_folder + Name(); }
    CPictureKind Kind() const { return m_entries[m_position].kind; }
    // The picture at `position` as the listing describes it; the position of the picture at `path`.
    CPictureEntry Entry(std::size_t position) const;
    std::optional<std::size_t> PositionOf(const std::wstring& path) const;
    const std::wstring& Folder() const noexcept { return m_folder; }
    // Whether the pictures listed are of the stereo family.
    bool Stereo() const noexcept { return m_stereo; }

    // Reads the folder's listing anew, of the same family, the position staying on its file (or where
    // it was, when that file has gone). A listing without a picture leaves everything as it was.
    void Relist();

private:
    struct CEntry {
        std::wstring name;
        CPictureKind kind;
        std::uint64_t length = 0;
        std::uint64_t written = 0;
    };
    // Lists the folder's pictures for which `wanted` holds, sorted; `opened` is listed even when hidden.
    template <typename Wanted> void List(const std::wstring& opened, Wanted wanted);

    // Ends with a backslash.
    std::wstring m_folder;
    std::vector<CEntry> m_entries;
    std::size_t m_position = 0;
    bool m_folderGiven = false;
    bool m_stereo = true;
};
