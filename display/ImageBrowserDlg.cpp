#include "display/ImageBrowserDlg.h"

#include "display/CodecRuntime.h"
#include "display/JpegCodec.h"
#include "display/JpegHeader.h"
#include "display/PictureFile.h"
#include "display/StereoFrame.h"
#include "framework/Handles.h"
#include "settings/SettingsTypes.h"
#include "settings/ViewerSettings.h"

#include <algorithm>

namespace {

// What the notice says after A brings the controller's view back.
const wchar_t* ViewModeText(std::int32_t viewMode) {
    switch (viewMode) {
    case kViewInterlace:
        return L"Interlace";
    case kViewSyncDouble:
        return L"Sync Double";
    case kViewLineBlank:
        return L"Line Blank";
    default:
        return L"2D";
    }
}

} // namespace

CImageBrowserDlg::CImageBrowserDlg(UINT templateId)
    : CStereoWindowDlg(templateId), m_image(std::make_unique<CDibImage>()) {}

CImageBrowserDlg::~CImageBrowserDlg() = default;

void CImageBrowserDlg::SetSeries(const std::string& dir, const std::string& name, std::int32_t viewMode) {
    m_dir = dir;
    m_name = name;
    m_viewMode = viewMode;
}

std::string CImageBrowserDlg::SeriesPattern(const std::string& dir, const std::string& name,
                                            std::int32_t viewMode) {
    return dir + name + (viewMode == kViewFlat2D ? "??.jpg" : "??.jps");
}

CPictureResult CImageBrowserDlg::MakeSeriesFrame(const std::wstring& path, std::int32_t viewMode,
                                                 int screenWidth, int screenHeight, CDibImage& frame,
                                                 const CStopSignal* stop,
                                                 const CPicturePreparer::CDecodingTurn* turn) {
    // Decoded top left; no holder is larger than the screen (twice as wide in Sync Double).
    const CPictureSize screen{static_cast<std::uint32_t>(std::max(screenWidth, 0)),
                              static_cast<std::uint32_t>(std::max(screenHeight, 0))};
    CStereoPicture eyes;
    CPictureResult result = CPictureResult::kPassing;
    switch (viewMode) {
    case kViewFlat2D:
        result = LoadStereoPicture(path, CPictureKind::kFlat,
                                   {screen, CEyeScaling::kUnscaled, CEyeChoice::kLeft}, eyes, stop, turn);
        if (result == CPictureResult::kMade)
            frame.Swap(eyes.left);
        return result;
    case kViewSyncDouble:
        result = LoadStereoPicture(path, CPictureKind::kSideBySide,
                                   {screen, CEyeScaling::kShrunk, CEyeChoice::kBoth}, eyes, stop, turn);
        if (result == CPictureResult::kMade && !ComposeSideBySide(eyes, frame))
            return CPictureResult::kPassing;
        return result;
    case kViewRedCyan: {
        result = LoadStereoPicture(path, CPictureKind::kSideBySide,
                                   {screen, CEyeScaling::kFitted, CEyeChoice::kBoth}, eyes, stop, turn);
        CDibImage none;
        if (result == CPictureResult::kMade &&
            !ComposeStereoFrames(eyes, kViewRedCyan, false, frame, none, screenWidth, screenHeight))
            return CPictureResult::kPassing;
        return result;
    }
    default: {
        // Straight from the decoder's rows: no eye is held apart.
        CPictureBytes bytes;
        CCodedSize header;
        if (stop && *stop)
            return CPictureResult::kPassing;
        result = ReadCodedFile(path, bytes);
        if (result != CPictureResult::kMade)
            return result;
        const CPictureCoding coding = CodingOf(path);
        if (!MeasureCoded(bytes.Span(), coding, header) || header.size.width < 2)
            return CPictureResult::kNotAPicture;
        if (turn && !(*turn)(header.decoderBytes))
            return CPictureResult::kPassing;
        return DecodeCodedRows(
            bytes.Span(), coding, {},
            [&](CPictureSize size, CRowSource& rows) {
                // A decoding no longer wanted ends here, before its frame takes memory.
                return (!stop || !*stop) &&
                       ComposeInterleavedFrame(rows, size, frame, screenWidth, screenHeight);
            },
            stop);
    }
    }
}

bool CImageBrowserDlg::OpenSeries() {
    if (m_viewMode < kViewInterlace || m_viewMode > kViewFlat2D || !m_image || m_dir.size() < 2 ||
        m_name.empty())
        return false;
    m_name = SeriesPattern(m_dir, m_name, m_viewMode);
    if (!ListSeries())
        return false;
    ReadViewerChoices();
    ResetPreparer();
    m_changes.Watch(Widen(m_dir.c_str()));
    m_current = 0;
    m_forward = true;
    Seek();
    return WaitForFirstPicture();
}

bool CImageBrowserDlg::WaitForFirstPicture() {
    const auto deadline = std::chrono::steady_clock::now() + kFirstPictureWait;
    while (m_opening && Seeking()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        const CPicturePreparer::COutcome outcome = m_preparer.WaitForWanted(left);
        if (!outcome.wanted)
            break;
        TakeOutcome(outcome);
    }
    return !m_opening || Seeking();
}

void CImageBrowserDlg::ResetPreparer() {
    const int width = Monitor().Width();
    const int height = Monitor().Height();
    const std::uint64_t frameBytes =
        3 * std::uint64_t{static_cast<std::uint32_t>(std::max(width * height, 0))};
    const std::int32_t viewMode = ShownView();
    m_preparer.Reset(
        AnnounceTo(m_hWnd),
        [=](const CPictureEntry& file, const CStopSignal& stop, const CPicturePreparer::CDecodingTurn& turn,
            CDibImage& frame, CDibImage&) {
            return AsListed(file, MakeSeriesFrame(file.path, viewMode, width, height, frame, &stop, &turn));
        },
        kNeighbours, 0, kSharedDecodingFrames * frameBytes);
}

void CImageBrowserDlg::RemakeFrames() {
    // The frame shown was made for the other monitor: it is not kept, and what failed for that size
    // may not fail for this one.
    m_shown.reset();
    m_preparer.ForgetLayoutFailures();
    ResetPreparer();
    Seek();
}

void CImageBrowserDlg::OnMonitorChanged() {
    RemakeFrames();
    m_imageShown = false;
    m_paintState = kCodePending;
    Invalidate(false);
}

bool CImageBrowserDlg::ListSeries() {
    // The JPEG pictures and the lossless PNG ones of the series in one listing, in the file system's
    // order: the pattern with any extension, then each name's own extension checked.
    const std::string anyExtension = m_name.substr(0, m_name.size() - 3) + "*";
    const std::wstring extensions[] = {Widen(m_name.substr(m_name.size() - 4).c_str()),
                                       m_viewMode == kViewFlat2D ? L".png" : L".pns"};
    std::vector<CPictureEntry> files;
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA(anyExtension.c_str(), &found));
    if (!finder)
        return false;
    do {
        const std::wstring name = Widen(found.cFileName);
        const std::size_t dot = name.find_last_of(L'.');
        const bool inSeries =
            dot != std::wstring::npos && std::any_of(std::begin(extensions), std::end(extensions), [&](auto& e) {
                return CompareStringOrdinal(name.c_str() + dot, -1, e.c_str(), -1, TRUE) == CSTR_EQUAL;
            });
        if (inSeries && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(EntryOf(Widen((m_dir + found.cFileName).c_str()), found));
    } while (FindNextFileA(finder, &found));
    if (files.empty())
        return false;
    m_files = std::move(files);
    return true;
}

void CImageBrowserDlg::RelistIfChanged() {
    if (!m_changes.Changed())
        return;
    const std::optional<std::wstring> at = m_current ? std::optional(m_files[*m_current].path) : std::nullopt;
    if (!ListSeries() || !at)
        return;
    const auto same = std::find_if(m_files.begin(), m_files.end(),
                                   [&](const CPictureEntry& file) { return file.path == *at; });
    m_current = same != m_files.end() ? static_cast<std::size_t>(same - m_files.begin())
                                      : std::min(*m_current, m_files.size() - 1);
}

std::optional<std::size_t> CImageBrowserDlg::Moved(std::optional<std::size_t> at, bool forward) const {
    if (m_files.empty())
        return std::nullopt;
    if (!at)
        return forward ? 0 : m_files.size() - 1;
    if (forward && *at + 1 < m_files.size())
        return *at + 1;
    if (!forward && *at > 0)
        return *at - 1;
    return std::nullopt;
}

std::optional<std::size_t> CImageBrowserDlg::StepTarget(std::optional<std::size_t> at, bool forward) const {
    const std::optional<std::size_t> next = at ? Moved(at, forward) : std::nullopt;
    return next ? next : Moved(std::nullopt, forward);
}

void CImageBrowserDlg::Step(bool forward) {
    RelistIfChanged();
    m_preparer.ForgetPassingFailures();
    m_current = StepTarget(m_current, forward);
    m_forward = forward;
    Seek();
}

void CImageBrowserDlg::Seek() {
    while (m_current && m_preparer.HasFailed(m_files[*m_current]))
        m_current = Moved(m_current, m_forward);
    if (!m_current) {
        // The end of the list. Sync Double and 2D show black until a file is shown again; Interlace and
        // Line Blank keep the last frame.
        if (m_viewMode == kViewSyncDouble || m_viewMode == kViewFlat2D) {
            if (m_shown)
                m_preparer.Keep(*m_shown, *m_image);
            m_image->Free();
            m_shown.reset();
            Invalidate(false);
        }
        m_preparer.Want(std::nullopt, Neighbours());
        return;
    }
    const CPictureEntry& file = m_files[*m_current];
    CDibImage frame;
    if (m_shown == file)
        m_preparer.Want(std::nullopt, Neighbours());
    else if (m_preparer.Take(file, frame))
        Show(frame);
    else
        m_preparer.Want(file, Neighbours());
}

std::vector<CPictureEntry> CImageBrowserDlg::Neighbours() const {
    std::vector<CPictureEntry> neighbours;
    for (bool forward : {true, false}) {
        std::optional<std::size_t> at = StepTarget(m_current, forward);
        while (at && m_preparer.HasFailed(m_files[*at]))
            at = Moved(at, forward);
        if (at)
            neighbours.push_back(m_files[*at]);
    }
    return neighbours;
}

void CImageBrowserDlg::Show(CDibImage& frame) {
    if (m_shown)
        m_preparer.Keep(*m_shown, *m_image);
    m_image->Swap(frame);
    m_imageView = ShownView();
    m_shown = m_files[*m_current];
    m_opening = false;
    m_preparer.HoldNeighbours();
    m_preparer.Want(std::nullopt, Neighbours());
    Invalidate(false);
}

void CImageBrowserDlg::OnPicturesReady() {
    TakeOutcome(m_preparer.Collect());
    if (m_opening && !Seeking())
        OnFoundNothing();
}

void CImageBrowserDlg::OnFoundNothing() {
    CloseWithNothingShown();
}

bool CImageBrowserDlg::Seeking() const {
    return m_current.has_value();
}

void CImageBrowserDlg::TakeOutcome(const CPicturePreparer::COutcome& outcome) {
    if (outcome.wanted && m_current) {
        CDibImage frame;
        if (!*outcome.wanted)
            Seek();
        else if (m_preparer.Take(m_files[*m_current], frame))
            Show(frame);
    } else if (outcome.neighbourFailed) {
        m_preparer.SetNeighbours(Neighbours());
    }
}

BOOL CImageBrowserDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_paintState = kPositioning;
    CoverScreen();
    m_paintState = kCodePending;
    return TRUE;
}

void CImageBrowserDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
    switch (m_paintState) {
    case kCodePending:
        // The anaglyph needs the controller in normal display, where it starts.
        if (!m_redCyan)
            MakeOpeningFlashes(m_viewMode);
        StartFramePause();
        break;
    case kShowImage:
        DrawFrame(dc);
        m_imageShown = true;
        m_preparer.LetNeighboursGo();
        break;
    default:
        break;
    }
    if (previousMode)
        SetStretchBltMode(dc, previousMode);
}

void CImageBrowserDlg::DrawFrame(HDC dc) {
    if (m_opening) {
        DrawPreparing(dc);
        return;
    }
    if (m_imageView == kViewSyncDouble)
        DrawSyncDouble(dc, *m_image, m_gapAdjust);
    else
        DrawFrameCentred(dc, *m_image);
    if (m_noticeShown)
        DrawNotice(dc);
}

void CImageBrowserDlg::DrawNotice(HDC dc) const {
    m_noticeArea =
        DrawNoticeBox(dc, m_notice, kNoticeBackground, m_imageView == kViewSyncDouble, m_gapAdjust);
}

void CImageBrowserDlg::ShowNotice(std::wstring text) {
    m_notice = std::move(text);
    m_noticeShown = true;
    SetTimer(m_hWnd, kNoticeTimer, kNoticeMilliseconds, nullptr);
    // The frame is drawn whole under the box, which may have grown or shrunk.
    Invalidate(false);
}

bool CImageBrowserDlg::ShowsStereo() const {
    return m_viewMode != kViewFlat2D;
}

void CImageBrowserDlg::ReadViewerChoices() {
    const CViewerSettings settings = ReadViewerSettings();
    m_redCyan = settings.output == CViewerOutput::kRedCyan && ShowsStereo();
    m_slideshowSeconds = settings.slideshowSeconds;
}

std::int32_t CImageBrowserDlg::ShownView() const noexcept {
    return m_redCyan ? kViewRedCyan : m_viewMode;
}

void CImageBrowserDlg::SwitchRedCyan() {
    if (!ShowsStereo()) {
        ShowNotice(kNoRedCyanText);
        return;
    }
    m_redCyan = !m_redCyan;
    // The view switches even when the choice cannot be stored: it is the user's for this window.
    WriteViewerOutput(m_redCyan ? CViewerOutput::kRedCyan : CViewerOutput::kController);
    if (m_redCyan)
        HandBack();
    else
        MakeOpeningFlashes(m_viewMode);
    ShowNotice(m_redCyan ? kRedCyanText : ViewModeText(m_viewMode));
    RemakeFrames();
}

void CImageBrowserDlg::SwitchSlideshow() {
    m_slideshow = !m_slideshow;
    if (!m_slideshow) {
        KillTimer(m_hWnd, kSlideshowTimer);
        ShowNotice(kSlideshowStoppedText);
        return;
    }
    RestartSlideshowWait();
    ShowNotice(L"Slideshow   every " + std::to_wstring(m_slideshowSeconds) +
               (m_slideshowSeconds == 1 ? L" second" : L" seconds"));
}

void CImageBrowserDlg::RestartSlideshowWait() {
    // SetTimer on a running timer starts its wait again.
    if (m_slideshow)
        SetTimer(m_hWnd, kSlideshowTimer, m_slideshowSeconds * 1000, nullptr);
}

void CImageBrowserDlg::SlideshowStep() {
    // One step on from the last picture is the first. The timer keeps its beat: the steps do not drift
    // by the time that each one takes.
    Step(true);
}

void CImageBrowserDlg::DrawPreparing(HDC dc) const {
    const SIZE surface = SurfaceSize(dc);
    const RECT all{0, 0, surface.cx, surface.cy};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = SetTextColor(dc, RGB(160, 160, 160));
    // In Sync Double each eye sees one band: the text stands in the middle of both.
    std::vector<RECT> areas{all};
    if (ShownView() == kViewSyncDouble) {
        const CSyncDoubleRows rows = SyncDoubleRows(surface.cx, surface.cy, m_gapAdjust);
        areas = {RECT{0, 0, surface.cx, rows.topEnd}, RECT{0, rows.bottomStart, surface.cx, surface.cy}};
    }
    for (RECT area : areas)
        DrawTextW(dc, kPreparingText, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
}

void CImageBrowserDlg::OnTimer(WPARAM id) {
    if (EndFramePause(id)) {
        m_paintState = kShowImage;
    } else if (id == kNoticeTimer) {
        KillTimer(m_hWnd, kNoticeTimer);
        m_noticeShown = false;
        // Only where the notice was: the frame around it stays as it is.
        InvalidateRect(m_hWnd, &m_noticeArea, FALSE);
    } else if (id == kSlideshowTimer && m_imageShown) {
        SlideshowStep();
    }
}

void CImageBrowserDlg::OnKeyDown(WPARAM key) {
    if (!m_imageShown)
        return;
    switch (key) {
    case VK_NEXT:
    case VK_DOWN:
        RestartSlideshowWait();
        Step(true);
        break;
    case VK_PRIOR:
        RestartSlideshowWait();
        Step(false);
        break;
    case VK_ESCAPE:
        PostMessageA(m_hWnd, kMsgClose, 0, 0);
        break;
    case 'A':
        SwitchRedCyan();
        break;
    case 'P':
        SwitchSlideshow();
        break;
    case VK_ADD:
    case VK_SUBTRACT:
        if (ShownView() != kViewSyncDouble)
            break;
        if (key == VK_ADD && m_gapAdjust < kGapAdjustLimit)
            ++m_gapAdjust;
        else if (key == VK_SUBTRACT && m_gapAdjust > -kGapAdjustLimit)
            --m_gapAdjust;
        Invalidate(false);
        break;
    default:
        break;
    }
}

void CImageBrowserDlg::OnClosing() {
    m_imageShown = false;
    m_paintState = kClosing;
    m_slideshow = false;
    KillTimer(m_hWnd, kSlideshowTimer);
    m_preparer.Stop();
}

void CImageBrowserDlg::OnDestroy() {
    m_preparer.Stop();
    if (m_image) {
        m_image->Free();
        m_image.reset();
    }
    m_files.clear();
    m_current.reset();
}

LRESULT CImageBrowserDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (DefaultProc(message, wParam, lParam) == -1 || !OpenSeries())
            return -1;
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (m_imageShown) {
            RestartSlideshowWait();
            Step(message == WM_LBUTTONDOWN);
        }
        break;
    case WM_GETDLGCODE:
        // The dialog manager would spend the arrow keys on moving the focus; the down arrow pages.
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case kMsgPicturesReady:
        OnPicturesReady();
        return 0;
    case WM_DESTROY: {
        const LRESULT result = CStereoWindowDlg::WindowProc(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    default:
        break;
    }
    return CStereoWindowDlg::WindowProc(message, wParam, lParam);
}
