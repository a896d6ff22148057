#pragma once
// The pictures of one folder that the viewer pages through: the files of one family, the stereo
// pictures (.jps and .mpo) or the flat ones (PictureFile.h), in the order in which Explorer sorts
// names (StrCmpLogicalW: runs of digits by their value, letters regardless of case). Hidden and system
// files are left out, as Explorer leaves them out, unless one of them is the file opened.

#include "display/PictureFile.h"

#include <cstddef>
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

private:
    struct CEntry {
        std::wstring name;
        CPictureKind kind;
    };
    // Lists the folder's pictures for which `wanted` holds, sorted; `opened` is listed even when hidden.
    template <typename Wanted> void List(const std::wstring& opened, Wanted wanted);

    // Ends with a backslash.
    std::wstring m_folder;
    std::vector<CEntry> m_entries;
    std::size_t m_position = 0;
    bool m_folderGiven = false;
};
