#include "viewer/FolderBrowserDlg.h"

#include "display/FrameComposition.h"
#include "display/JpegHeader.h"
#include "display/StereoFrame.h"
#include "framework/Handles.h"
#include "settings/SettingsTypes.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>

namespace {

constexpr wchar_t kTitleSuffix[] = L" - Zelto Viewer";

CPictureSize SizeOf(const CMonitorRect& monitor) {
    return {static_cast<std::uint32_t>(std::max(monitor.Width(), 0)),
            static_cast<std::uint32_t>(std::max(monitor.Height(), 0))};
}

// The frame of a picture of the folder in `viewMode`, fitted or not, its eyes swapped or not, and its
// twin for swapping them at once.
CPicturePreparer::CFrameMaker FolderFrameMaker(std::int32_t viewMode, bool fitted, bool swapped,
                                               CPictureSize screen) {
    return [=](const CPictureEntry& picture, const CStopSignal& stop,
               const CPicturePreparer::CDecodingTurn& turn, CDibImage& frame, CDibImage& twin) {
        const std::optional<CPictureKind> kind = PictureKindOf(picture.path);
        if (!kind)
            return CPictureResult::kNotAPicture;
        CPictureLayout layout{screen, fitted ? CEyeScaling::kFitted : CEyeScaling::kUnscaled,
                              CEyeChoice::kBoth};
        // 2D shows one eye: only that one is decoded.
        if (viewMode == kViewFlat2D)
            layout.eyes = swapped ? CEyeChoice::kRight : CEyeChoice::kLeft;
        CStereoPicture eyes;
        CPictureResult result = LoadStereoPicture(picture.path, *kind, layout, eyes, &stop, &turn);
        if (result == CPictureResult::kMade &&
            !ComposeStereoFrames(eyes, viewMode, swapped, frame, twin, static_cast<int>(screen.width),
                                 static_cast<int>(screen.height)))
            result = CPictureResult::kPassing;
        return AsListed(picture, result);
    };
}

} // namespace

CFolderBrowserDlg::COpenResult CFolderBrowserDlg::OpenFolder(const std::wstring& path) {
    if (m_viewMode < kViewInterlace || m_viewMode > kViewFlat2D || !m_image)
        return COpenResult::kNoPicture;
    switch (m_folder.Open(path, m_viewMode != kViewFlat2D)) {
    case CPictureFolder::COpenResult::kOpened:
        break;
    case CPictureFolder::COpenResult::kNotFound:
        return COpenResult::kNotFound;
    case CPictureFolder::COpenResult::kNotAPicture:
        return COpenResult::kNotAPicture;
    case CPictureFolder::COpenResult::kNoPicture:
        return COpenResult::kNoPicture;
    }
    m_browsingFolder = true;
    ReadViewerChoices();
    ResetPreparer();
    m_changes.Watch(m_folder.Folder());
    // A file given is shown itself or not at all; a folder from its first picture that can be read.
    Seek(m_folder.Position(), 1);
    if (WaitForFirstPicture())
        return COpenResult::kOpened;
    return m_folder.FolderGiven() ? COpenResult::kNoPicture : COpenResult::kUnreadable;
}

std::wstring CFolderBrowserDlg::PositionText() const {
    const std::optional<std::size_t> at = m_shown ? m_folder.PositionOf(m_shown->path) : std::nullopt;
    if (!at)
        return {};
    return m_shown->path.substr(m_folder.Folder().size()) + L"   " + std::to_wstring(*at + 1) + L" / " +
           std::to_wstring(m_folder.Count());
}

void CFolderBrowserDlg::ResetPreparer() {
    // The next picture keeps its twin: with the previous one's frame, three screen frames.
    const CPictureSize screen = SizeOf(Monitor());
    m_preparer.Reset(AnnounceTo(m_hWnd), FolderFrameMaker(ShownView(), m_fitted, m_swapped, screen),
                     kNeighbours, 1, kSharedDecodingFrames * 3 * std::uint64_t{screen.width} * screen.height);
}

void CFolderBrowserDlg::RelistIfChanged() {
    if (m_changes.Changed())
        m_folder.Relist();
}

void CFolderBrowserDlg::Seek(std::size_t start, int step) {
    const std::size_t count = m_folder.Count();
    for (std::size_t tried = 0; tried < count; ++tried) {
        const std::size_t at = step > 0 ? (start + tried) % count : (start + count - tried) % count;
        const CPictureEntry picture = m_folder.Entry(at);
        if (m_preparer.HasFailed(picture))
            continue;
        m_folder.MoveTo(at);
        CDibImage frame;
        CDibImage twin;
        if (m_shownCurrent && m_shown == picture) {
            m_seekStep = 0;
            m_preparer.Want(std::nullopt, NeighboursOf(at));
            ShowPosition();
            Invalidate(false);
        } else if (m_preparer.Take(picture, frame, &twin)) {
            Show(frame, twin);
        } else {
            m_seekStep = step;
            m_preparer.Want(picture, NeighboursOf(at));
        }
        return;
    }
    // Nothing else can be shown: the position goes back to the picture shown.
    m_seekStep = 0;
    if (const std::optional<std::size_t> shown = m_shown ? m_folder.PositionOf(m_shown->path) : std::nullopt)
        m_folder.MoveTo(*shown);
    m_preparer.Want(std::nullopt, {});
    ShowPosition();
    Invalidate(false);
}

void CFolderBrowserDlg::Step(int step) {
    RelistIfChanged();
    m_preparer.ForgetPassingFailures();
    const std::size_t count = m_folder.Count();
    Seek((m_folder.Position() + (step > 0 ? 1 : count - 1)) % count, step);
}

std::vector<CPictureEntry> CFolderBrowserDlg::NeighboursOf(std::size_t position) const {
    const std::size_t count = m_folder.Count();
    std::vector<CPictureEntry> neighbours;
    for (int step : {1, -1}) {
        for (std::size_t tried = 1; tried < count; ++tried) {
            CPictureEntry picture =
                m_folder.Entry(step > 0 ? (position + tried) % count : (position + count - tried) % count);
            if (!m_preparer.HasFailed(picture)) {
                neighbours.push_back(std::move(picture));
                break;
            }
        }
    }
    return neighbours;
}

void CFolderBrowserDlg::Present(CDibImage& frame, CDibImage& twin) {
    if (m_shown && m_shownCurrent)
        m_preparer.Keep(*m_shown, *m_image, &m_twin);
    m_image->Swap(frame);
    m_twin.Swap(twin);
    m_imageView = ShownView();
    m_shown = m_folder.Entry(m_folder.Position());
    m_shownCurrent = true;
    m_opening = false;
    m_seekStep = 0;
    m_preparer.HoldNeighbours();
    m_preparer.Want(std::nullopt, NeighboursOf(m_folder.Position()));
    Invalidate(false);
}

void CFolderBrowserDlg::Show(CDibImage& frame, CDibImage& twin) {
    // A picture made anew where it stands (A, F, S) leaves the notice to what the key said.
    const bool stepped = !m_shown || m_shown->path != m_folder.Entry(m_folder.Position()).path;
    Present(frame, twin);
    if (stepped)
        ShowPosition();
}

void CFolderBrowserDlg::Relayout() {
    m_shownCurrent = false;
    m_preparer.ForgetLayoutFailures();
    ResetPreparer();
    Seek(m_folder.Position(), 1);
}

void CFolderBrowserDlg::SwapEyes() {
    m_swapped = !m_swapped;
    // The frame shown, and the prepared ones, turn at once where their twins (or Sync Double's halves)
    // hold what the swap needs; 2D holds one eye only, and its picture is made anew.
    if (!m_shownCurrent || !SwapStereoFrame(ShownView(), *m_image, m_twin)) {
        Relayout();
        return;
    }
    m_preparer.Remake(FolderFrameMaker(ShownView(), m_fitted, m_swapped, SizeOf(Monitor())),
                      [viewMode = ShownView()](CDibImage& frame, CDibImage& twin) {
                          return SwapStereoFrame(viewMode, frame, twin);
                      });
    Invalidate(false);
}

void CFolderBrowserDlg::RemakeFrames() {
    if (m_browsingFolder)
        Relayout();
    else
        CImageBrowserDlg::RemakeFrames();
}

bool CFolderBrowserDlg::ShowsStereo() const {
    return CImageBrowserDlg::ShowsStereo() && (!m_browsingFolder || m_folder.Stereo());
}

void CFolderBrowserDlg::SlideshowStep() {
    if (m_browsingFolder)
        Step(1);
    else
        CImageBrowserDlg::SlideshowStep();
}

bool CFolderBrowserDlg::Seeking() const {
    return m_browsingFolder ? m_seekStep != 0 : CImageBrowserDlg::Seeking();
}

void CFolderBrowserDlg::TakeOutcome(const CPicturePreparer::COutcome& outcome) {
    if (!m_browsingFolder) {
        CImageBrowserDlg::TakeOutcome(outcome);
        return;
    }
    if (outcome.wanted && m_seekStep != 0) {
        CDibImage frame;
        CDibImage twin;
        // A file given is shown itself or not at all.
        if (!*outcome.wanted && m_opening && !m_folder.FolderGiven())
            m_seekStep = 0;
        else if (!*outcome.wanted)
            Seek(m_folder.Position(), m_seekStep);
        else if (m_preparer.Take(m_folder.Entry(m_folder.Position()), frame, &twin))
            Show(frame, twin);
    } else if (outcome.neighbourFailed) {
        m_preparer.SetNeighbours(NeighboursOf(m_folder.Position()));
    }
}

void CFolderBrowserDlg::ShowPosition() {
    const std::wstring position = PositionText();
    SetWindowTextW(m_hWnd, (position + kTitleSuffix).c_str());
    ShowNotice(position);
}

bool CFolderBrowserDlg::OnKeyDown(WPARAM key) {
    if (!m_imageShown)
        return false;
    // A paging key: a running slideshow waits its whole time from this picture on.
    constexpr WPARAM kPagingKeys[] = {VK_NEXT, VK_DOWN, VK_RIGHT, VK_SPACE, VK_PRIOR,
                                      VK_UP,   VK_LEFT, VK_BACK,  VK_HOME,  VK_END};
    if (std::find(std::begin(kPagingKeys), std::end(kPagingKeys), key) != std::end(kPagingKeys))
        RestartSlideshowWait();
    switch (key) {
    case VK_NEXT:
    case VK_DOWN:
    case VK_RIGHT:
    case VK_SPACE:
        Step(1);
        return true;
    case VK_PRIOR:
    case VK_UP:
    case VK_LEFT:
    case VK_BACK:
        Step(-1);
        return true;
    case VK_HOME:
        RelistIfChanged();
        m_preparer.ForgetPassingFailures();
        Seek(0, 1);
        return true;
    case VK_END:
        RelistIfChanged();
        m_preparer.ForgetPassingFailures();
        Seek(m_folder.Count() - 1, -1);
        return true;
    case 'F':
        m_fitted = !m_fitted;
        Relayout();
        return true;
    case 'S':
        SwapEyes();
        return true;
    default:
        return false;
    }
}

void CFolderBrowserDlg::OnMouseWheel(WPARAM wParam) {
    if (!m_imageShown)
        return;
    // A wheel of finer steps adds up to whole notches.
    m_wheel += GET_WHEEL_DELTA_WPARAM(wParam);
    if (m_wheel >= WHEEL_DELTA || m_wheel <= -WHEEL_DELTA)
        RestartSlideshowWait();
    for (; m_wheel >= WHEEL_DELTA; m_wheel -= WHEEL_DELTA)
        Step(-1);
    for (; m_wheel <= -WHEEL_DELTA; m_wheel += WHEEL_DELTA)
        Step(1);
}

LRESULT CFolderBrowserDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_browsingFolder)
        return CImageBrowserDlg::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
        if (OnKeyDown(wParam))
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (m_imageShown) {
            RestartSlideshowWait();
            Step(message == WM_LBUTTONDOWN ? 1 : -1);
        }
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kFrameTimer) {
            // The first frame: its name and position with it.
            const LRESULT result = CImageBrowserDlg::WindowProc(message, wParam, lParam);
            ShowPosition();
            return result;
        }
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
        break;
    }
    return CImageBrowserDlg::WindowProc(message, wParam, lParam);
}
