// The ColorCode editor driven in-process: its picture read back from its window, its selections, the
// group rules behind its buttons, and the companion dialogs and message boxes answered from a helper
// thread while the editor's thread waits in their modal loops.

#include "activator/AddGroupDlg.h"
#include "activator/ColorCodeDlg.h"
#include "activator/resource.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace testing_support;

namespace {

constexpr int kBarIds[kColorCodeLineCount] = {1015, 1019, 1020, 1021, 1023, 1028, 1029, 1030,
                                              1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038};
constexpr COLORREF kSentinel = 0x00345678;

// Answers the first visible top-level window of this process titled `title` from another thread:
// `action` runs on it there (its messages reach the window's own thread, which waits in a modal
// loop), then `command` is posted to it.
class CWindowAnswer {
public:
    CWindowAnswer(std::string title, WPARAM command, std::function<void(HWND)> action = {})
        : m_thread([this, title = std::move(title), command, action = std::move(action)] {
              const DWORD deadline = GetTickCount() + 10000;
              while (GetTickCount() < deadline) {
                  HWND window = FindWindowA("#32770", title.c_str());
                  if (window && IsWindowVisible(window)) {
                      m_owner = GetWindow(window, GW_OWNER);
                      m_text = StaticTexts(window);
                      if (action)
                          action(window);
                      PostMessageA(window, WM_COMMAND, command, 0);
                      m_answered = true;
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~CWindowAnswer() { Join(); }

    // Waits for the helper; true when the window appeared and was answered.
    bool Answered() {
        Join();
        return m_answered;
    }
    HWND Owner() const { return m_owner; }
    // The texts of the window's static controls, one per line.
    const std::string& Text() const { return m_text; }

private:
    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    static std::string StaticTexts(HWND window) {
        std::string texts;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char className[32] = {};
            GetClassNameA(child, className, sizeof className);
            std::string text = CWindow::TextOf(child);
            if (lstrcmpiA(className, "Static") == 0 && !text.empty())
                texts += text + "\n";
        }
        return texts;
    }

    std::atomic<bool> m_answered{false};
    HWND m_owner = nullptr;
    std::string m_text;
    std::thread m_thread;
};

// Groups "Korva" plus `extra` groups named "A", "B", ...; group g's line l of every mode has colour
// kSwatchColours[(g + l) % 8], so neighbouring lines and groups differ.
CColorCodeGroups MakeGroups(int extra, int active = 0) {
    CColorCodeGroups groups;
    for (int g = 1; g <= extra; ++g) {
        CodeSet codes;
        for (int i = 0; i < kCodeSetSize; ++i)
            codes[i] = kSwatchColours[(g + i % kColorCodeLineCount) % kSwatchCount];
        groups.Append(std::string(1, static_cast<char>('A' + g - 1)), codes);
    }
    groups.SetActive(active);
    return groups;
}

class ColorCodeEditor : public ::testing::Test {
protected:
    void TearDown() override { dialog.DestroyWindow(); }

    void Open(const CColorCodeGroups& groups) {
        dialog.SetGroups(groups);
        ASSERT_TRUE(dialog.Create());
        window = dialog.GetSafeHwnd();
        SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(window);
        PumpMessages();
        for (int s = 0; s < kSwatchCount; ++s)
            swatches[s] = ClientRect(IDC_CC_SWATCH_FIRST + s);
        for (int l = 0; l < kColorCodeLineCount; ++l)
            bars[l] = ClientRect(kBarIds[l]);
        thickness = (swatches[1].top - swatches[0].bottom + 1) / 2;
    }

    RECT ClientRect(int id) const {
        RECT rect{};
        GetWindowRect(GetDlgItem(window, id), &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    COLORREF Pixel(int x, int y) const {
        CWindowDC dc(window);
        return GetPixel(dc, x, y) & 0x00FFFFFF;
    }
    // Every pixel of `rect` has `colour`.
    bool Filled(const RECT& rect, COLORREF colour) const {
        CWindowDC dc(window);
        CPixels pixels = ReadPixels(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        for (std::uint32_t pixel : pixels.data) {
            if (pixel != PixelOf(colour))
                return false;
        }
        return !pixels.data.empty();
    }
    COLORREF Bar(int line) const {
        return Pixel((bars[line].left + bars[line].right) / 2, bars[line].top + 1);
    }
    COLORREF Background() const { return Pixel(3, 3); }

    // The colour of the frame ring around swatch s (its innermost and outermost pixels left of the
    // swatch, which must agree), or CLR_INVALID when they differ.
    COLORREF FrameAt(int s) const {
        const int y = (swatches[s].top + swatches[s].bottom) / 2;
        const COLORREF inner = Pixel(swatches[s].left - 2, y);
        const COLORREF outer = Pixel(swatches[s].left - 1 - thickness, y);
        return inner == outer ? inner : CLR_INVALID;
    }
    // The swatch that carries a frame, -1 for none, -2 for more than one.
    int FramedSwatch() const {
        int framed = -1;
        for (int s = 0; s < kSwatchCount; ++s) {
            if (FrameAt(s) != Background())
                framed = framed == -1 ? s : -2;
        }
        return framed;
    }
    COLORREF Marker(int line) const {
        const int h = bars[line].bottom - bars[line].top;
        const int right = bars[line].right + 3 * h / 2;
        return Pixel(right - h / 2, (bars[line].top + bars[line].bottom) / 2);
    }

    void Paint(const RECT& rect, COLORREF colour) const {
        CWindowDC dc(window);
        CBrush brush(CreateSolidBrush(colour));
        FillRect(dc, &rect, brush);
    }
    bool NothingInvalid() const { return GetUpdateRect(window, nullptr, FALSE) == FALSE; }

    void Select(int comboId, int index) const {
        SendDlgItemMessageA(window, comboId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, comboId)));
        PumpMessages();
    }
    int Selection(int comboId) const {
        return static_cast<int>(SendDlgItemMessageA(window, comboId, CB_GETCURSEL, 0, 0));
    }
    int ItemCount(int comboId) const {
        return static_cast<int>(SendDlgItemMessageA(window, comboId, CB_GETCOUNT, 0, 0));
    }
    std::string Item(int comboId, int index) const {
        char text[256] = {};
        SendDlgItemMessageA(window, comboId, CB_GETLBTEXT, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(text));
        return text;
    }
    void Click(int x, int y) const {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        PumpMessages();
    }
    void ClickCentre(const RECT& rect) const {
        Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    void Press(int buttonId) const {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, buttonId)));
        PumpMessages();
    }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
    // The bars show the code of `group` in `mode`, as the dialog's groups hold it.
    void ExpectBarsShow(int group, int mode) const {
        for (int l = 0; l < kColorCodeLineCount; ++l)
            EXPECT_EQ(Bar(l), dialog.Groups().Entry(group, mode, l)) << "line " << l;
    }

    CApplication application; // captions the refusals with the test program's name
    CColorCodeDlg dialog;
    HWND window = nullptr;
    RECT swatches[kSwatchCount]{};
    RECT bars[kColorCodeLineCount]{};
    int thickness = 0;
};

} // namespace

TEST_F(ColorCodeEditor, OpensOnTheActiveGroupWithItsBarsFrameAndMarker) {
    Open(MakeGroups(2, 2));
    EXPECT_EQ(CWindow(window).GetText(), "ColorCode Settings");
    EXPECT_EQ(Selection(IDC_CC_GROUP), 2);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 2);
    EXPECT_EQ(Selection(IDC_CC_MODE), 0);
    EXPECT_EQ(Selection(IDC_CC_LINE), 0);
    EXPECT_EQ(ItemCount(IDC_CC_LINE), 16);
    EXPECT_EQ(Item(IDC_CC_LINE, 15), "15");
    const char* modes[] = {"Interlace", "Page Flipping", "Sync. Doubling", "Line Blanking", "Normal"};
    ASSERT_EQ(ItemCount(IDC_CC_MODE), 5);
    for (int m = 0; m < 5; ++m)
        EXPECT_EQ(Item(IDC_CC_MODE, m), modes[m]);
    for (int combo : {IDC_CC_GROUP, IDC_CC_ACTIVE_GROUP}) {
        ASSERT_EQ(ItemCount(combo), 3);
        EXPECT_EQ(Item(combo, 0), "Korva");
        EXPECT_EQ(Item(combo, 2), "B");
    }

    ExpectBarsShow(2, 0);
    for (int s = 0; s < kSwatchCount; ++s)
        EXPECT_TRUE(Filled(swatches[s], kSwatchColours[s])) << "swatch " << s;
    // Line 0 of group B is kSwatchColours[2]: the frame surrounds swatch 2 in the opposite colour,
    // one pixel of background away from it.
    EXPECT_EQ(FramedSwatch(), 2);
    EXPECT_EQ(FrameAt(2), kSwatchColours[2] ^ 0xFFFFFF);
    EXPECT_EQ(Pixel(swatches[2].left - 1, swatches[2].top + 2), Background());
    EXPECT_EQ(Pixel(swatches[2].left - 2 - thickness, swatches[2].top + 2), Background());
    EXPECT_GE(thickness, 1);
    EXPECT_EQ(Marker(0), 0xFFFFFFu);
    EXPECT_EQ(Marker(1), Background());
    EXPECT_TRUE(Enabled(IDC_CC_ADD));
    EXPECT_TRUE(Enabled(IDC_CC_DELETE));
}

TEST_F(ColorCodeEditor, AddAndDeleteFollowTheGroupCountFromTheStart) {
    Open(CColorCodeGroups());
    EXPECT_TRUE(Enabled(IDC_CC_ADD));
    EXPECT_FALSE(Enabled(IDC_CC_DELETE));
    ExpectBarsShow(0, 0);
    EXPECT_EQ(Bar(0), 0x0000FFu) << "the built-in group starts on the Interlace line code";
    dialog.DestroyWindow();

    CColorCodeDlg full;
    full.SetGroups(MakeGroups(4));
    ASSERT_TRUE(full.Create());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(full.GetSafeHwnd(), IDC_CC_ADD)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(full.GetSafeHwnd(), IDC_CC_DELETE)));
}

TEST_F(ColorCodeEditor, ASwatchPickRecoloursTheCurrentLineAndMovesTheFrameDrawingNothingElse) {
    Open(MakeGroups(1, 1));
    Select(IDC_CC_LINE, 3); // group A line 3: kSwatchColours[4]
    ASSERT_EQ(FramedSwatch(), 4);
    Paint(bars[7], kSentinel);
    ClickCentre(swatches[5]);

    EXPECT_EQ(Bar(3), kSwatchColours[5]);
    EXPECT_TRUE(Filled(bars[3], kSwatchColours[5]));
    EXPECT_EQ(dialog.Groups().Entry(1, 0, 3), kSwatchColours[5]);
    EXPECT_EQ(dialog.Groups().Entry(1, 1, 3), kSwatchColours[4]) << "only the current mode's line changes";
    EXPECT_EQ(FramedSwatch(), 5);
    EXPECT_EQ(FrameAt(5), kSwatchColours[5] ^ 0xFFFFFF);
    EXPECT_EQ(Bar(7), kSentinel) << "the other bars were not repainted";
    EXPECT_TRUE(NothingInvalid());

    // A pick on a swatch's edge pixel counts; one just outside it does not.
    ClickCentre(swatches[6]);
    Click(swatches[0].right, swatches[0].top); // right edge is outside
    EXPECT_EQ(FramedSwatch(), 6);
    Click(swatches[0].left, swatches[0].top);
    EXPECT_EQ(FramedSwatch(), 0);
    EXPECT_EQ(dialog.Groups().Entry(1, 0, 3), kSwatchColours[0]);
}

TEST_F(ColorCodeEditor, APickOnTheFramedSwatchChangesNothingEvenForAForeignColour) {
    CColorCodeGroups groups;
    groups.SetEntry(0, 0, 0, 0x00123456);
    Open(groups);
    EXPECT_EQ(FramedSwatch(), 0) << "a colour of no swatch puts the frame on R";
    EXPECT_EQ(Bar(0), 0x123456u);
    ClickCentre(swatches[0]);
    EXPECT_EQ(Bar(0), 0x123456u);
    EXPECT_EQ(dialog.Groups().Entry(0, 0, 0), 0x123456u);
    EXPECT_EQ(FramedSwatch(), 0);
}

TEST_F(ColorCodeEditor, ModeAndGroupChangesRepaintTheBarsAndMoveTheFrameButNotTheMarker) {
    CColorCodeGroups groups = MakeGroups(1);
    Open(groups);
    Select(IDC_CC_LINE, 14);
    ASSERT_EQ(FramedSwatch(), 0); // Interlace line 14 is red
    Select(IDC_CC_MODE, 4);
    ExpectBarsShow(0, 4);
    EXPECT_EQ(Bar(14), 0u);
    EXPECT_EQ(FramedSwatch(), 3) << "Normal line 14 is black: swatch D";
    EXPECT_EQ(Marker(14), 0xFFFFFFu);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 0);

    Select(IDC_CC_GROUP, 1);
    ExpectBarsShow(1, 4);
    EXPECT_EQ(FramedSwatch(), MatchingSwatch(groups.Entry(1, 4, 14)));
    EXPECT_EQ(Marker(14), 0xFFFFFFu);
    EXPECT_EQ(dialog.Groups().Active(), 0) << "editing a group does not make it active";
    EXPECT_TRUE(NothingInvalid());

    // Selecting the same items again draws nothing.
    for (const RECT& bar : bars)
        Paint(bar, kSentinel);
    Select(IDC_CC_GROUP, 1);
    Select(IDC_CC_MODE, 4);
    Select(IDC_CC_LINE, 14);
    for (int l = 0; l < kColorCodeLineCount; ++l)
        EXPECT_EQ(Bar(l), kSentinel) << "line " << l;
    // A combo without a selection is no change either.
    Select(IDC_CC_MODE, -1);
    EXPECT_EQ(Bar(0), kSentinel);
}

TEST_F(ColorCodeEditor, LineChangesMoveTheMarkerAndFrameWithoutRepaintingTheBars) {
    Open(CColorCodeGroups());
    Select(IDC_CC_MODE, 4);
    Paint(bars[9], kSentinel);
    Select(IDC_CC_LINE, 14);
    EXPECT_EQ(Marker(0), Background());
    EXPECT_EQ(Marker(14), 0xFFFFFFu);
    EXPECT_EQ(FramedSwatch(), 3);
    EXPECT_EQ(Bar(9), kSentinel);

    // A press on a bar selects its line; a press on the marker does not.
    ClickCentre(bars[10]);
    EXPECT_EQ(Selection(IDC_CC_LINE), 10);
    EXPECT_EQ(Marker(14), Background());
    EXPECT_EQ(Marker(10), 0xFFFFFFu);
    EXPECT_EQ(FramedSwatch(), 6) << "line 10 is yellow";
    const int h = bars[2].bottom - bars[2].top;
    Click(bars[2].right + 3 * h / 2 - h / 2, (bars[2].top + bars[2].bottom) / 2);
    EXPECT_EQ(Selection(IDC_CC_LINE), 10);
    EXPECT_EQ(Bar(9), kSentinel);
    EXPECT_TRUE(NothingInvalid());
}

TEST_F(ColorCodeEditor, PaintingRestoresThePictureAndDrawingLeaksNoGdiObjects) {
    Open(MakeGroups(1, 1));
    const int before = CountGdiObjects();
    for (int i = 0; i < 20; ++i) {
        ClickCentre(swatches[i % kSwatchCount]);
        Select(IDC_CC_LINE, i % kColorCodeLineCount);
        Select(IDC_CC_MODE, i % kColorCodeModeCount);
        Select(IDC_CC_GROUP, i % 2);
    }
    Press(IDC_CC_DEFAULT);
    for (const RECT& bar : bars)
        Paint(bar, kSentinel);
    for (const RECT& swatch : swatches)
        Paint(swatch, kSentinel);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    PumpMessages();
    EXPECT_EQ(CountGdiObjects(), before);

    const int group = Selection(IDC_CC_GROUP);
    ExpectBarsShow(group, Selection(IDC_CC_MODE));
    for (int s = 0; s < kSwatchCount; ++s)
        EXPECT_TRUE(Filled(swatches[s], kSwatchColours[s])) << s;
    EXPECT_EQ(FramedSwatch(),
              MatchingSwatch(dialog.Groups().Entry(group, Selection(IDC_CC_MODE), Selection(IDC_CC_LINE))));
    EXPECT_EQ(Marker(Selection(IDC_CC_LINE)), 0xFFFFFFu);
}

TEST_F(ColorCodeEditor, DefaultRestoresEveryModeOfTheGroupBeingEdited) {
    Open(MakeGroups(2));
    Select(IDC_CC_GROUP, 2);
    Select(IDC_CC_MODE, 3);
    Press(IDC_CC_DEFAULT);
    EXPECT_EQ(dialog.Groups().Codes(2), DefaultCodeSet());
    EXPECT_EQ(dialog.Groups().Codes(1), MakeGroups(2).Codes(1));
    ExpectBarsShow(2, 3);
    EXPECT_EQ(FramedSwatch(), 0);
}

TEST_F(ColorCodeEditor, AddOpensAddGroupAndAppendsABlackOrCopiedGroup) {
    Open(MakeGroups(1, 1));
    {
        CWindowAnswer answer("Add Group", IDOK, [](HWND add) {
            EXPECT_EQ(CWindow::TextOf(GetDlgItem(add, IDC_GROUP_NAME)), "New Group");
            EXPECT_EQ(SendDlgItemMessageA(add, IDC_GROUP_SOURCE, LB_GETCOUNT, 0, 0), 2);
            EXPECT_EQ(SendDlgItemMessageA(add, IDC_GROUP_SOURCE, LB_GETCURSEL, 0, 0), 0);
            EXPECT_EQ(IsDlgButtonChecked(add, IDC_GROUP_COPY), BST_CHECKED);
            EXPECT_EQ(IsDlgButtonChecked(add, IDC_GROUP_BLACK), BST_UNCHECKED);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(add, IDC_GROUP_SOURCE)));
            SetDlgItemTextA(add, IDC_GROUP_NAME, "Dark");
            SendDlgItemMessageA(add, IDC_GROUP_BLACK, BM_CLICK, 0, 0);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(add, IDC_GROUP_SOURCE)));
        });
        Press(IDC_CC_ADD);
        ASSERT_TRUE(answer.Answered());
        EXPECT_EQ(answer.Owner(), window);
    }
    EXPECT_EQ(dialog.Groups().Count(), 3);
    EXPECT_EQ(dialog.Groups().Name(2), "Dark");
    EXPECT_EQ(dialog.Groups().Codes(2), CodeSet{});
    EXPECT_EQ(Selection(IDC_CC_GROUP), 2);
    EXPECT_EQ(Item(IDC_CC_ACTIVE_GROUP, 2), "Dark");
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 1);
    EXPECT_EQ(dialog.Groups().Active(), 1);
    EXPECT_TRUE(Filled(bars[5], 0));
    EXPECT_EQ(FramedSwatch(), 3);

    {
        CWindowAnswer answer("Add Group", IDOK, [](HWND add) {
            SetDlgItemTextA(add, IDC_GROUP_NAME, "Copy of A");
            SendDlgItemMessageA(add, IDC_GROUP_SOURCE, LB_SETCURSEL, 1, 0);
            SendMessageA(add, WM_COMMAND, MAKEWPARAM(IDC_GROUP_SOURCE, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(add, IDC_GROUP_SOURCE)));
        });
        Press(IDC_CC_ADD);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog.Groups().Codes(3), dialog.Groups().Codes(1));
    EXPECT_EQ(Item(IDC_CC_GROUP, 3), "Copy of A");
    ExpectBarsShow(3, 0);

    {
        CWindowAnswer answer("Add Group", IDCANCEL,
                             [](HWND add) { SetDlgItemTextA(add, IDC_GROUP_NAME, "No"); });
        Press(IDC_CC_ADD);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog.Groups().Count(), 4);
    EXPECT_EQ(ItemCount(IDC_CC_GROUP), 4);
    EXPECT_TRUE(Enabled(IDC_CC_ADD));

    {
        CWindowAnswer answer("Add Group", IDOK);
        Press(IDC_CC_ADD);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog.Groups().Name(4), "New Group");
    EXPECT_FALSE(Enabled(IDC_CC_ADD)) << "five groups are the limit";
    EXPECT_TRUE(Enabled(IDC_CC_DELETE));
    // A sixth Add asked for anyway opens nothing and changes nothing.
    Press(IDC_CC_ADD);
    EXPECT_EQ(FindWindowA("#32770", "Add Group"), nullptr);
    EXPECT_EQ(ItemCount(IDC_CC_GROUP), 5);
}

TEST_F(ColorCodeEditor, DeleteAsksAndThenTheSuccessorOrPredecessorBecomesCurrent) {
    Open(MakeGroups(3, 3)); // Korva A B C, C active
    Select(IDC_CC_GROUP, 2);
    {
        CWindowAnswer answer("Delete ColorCode Group", IDCANCEL);
        Press(IDC_CC_DELETE);
        ASSERT_TRUE(answer.Answered());
        EXPECT_NE(answer.Text().find("Delete ColorCode Group : B ?"), std::string::npos) << answer.Text();
        EXPECT_EQ(answer.Owner(), window);
    }
    EXPECT_EQ(dialog.Groups().Count(), 4);
    EXPECT_EQ(ItemCount(IDC_CC_GROUP), 4);

    const CColorCodeGroups before = dialog.Groups();
    {
        CWindowAnswer answer("Delete ColorCode Group", IDOK);
        Press(IDC_CC_DELETE);
        ASSERT_TRUE(answer.Answered());
    }
    // B goes; C moves into its place and stays both current and active.
    EXPECT_EQ(dialog.Groups().Count(), 3);
    EXPECT_EQ(Item(IDC_CC_GROUP, 2), "C");
    EXPECT_EQ(Item(IDC_CC_ACTIVE_GROUP, 2), "C");
    EXPECT_EQ(Selection(IDC_CC_GROUP), 2);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 2);
    EXPECT_EQ(dialog.Groups().Active(), 2);
    EXPECT_EQ(dialog.Groups().Codes(2), before.Codes(3));
    ExpectBarsShow(2, 0);
    EXPECT_EQ(FramedSwatch(), MatchingSwatch(before.Entry(3, 0, 0)));

    // Deleting the last group, which is active: the one before it becomes current and active.
    {
        CWindowAnswer answer("Delete ColorCode Group", IDOK);
        Press(IDC_CC_DELETE);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(Selection(IDC_CC_GROUP), 1);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 1);
    EXPECT_EQ(Item(IDC_CC_GROUP, 1), "A");
    EXPECT_EQ(dialog.Groups().Active(), 1);
    ExpectBarsShow(1, 0);
    EXPECT_TRUE(Enabled(IDC_CC_DELETE));
    {
        CWindowAnswer answer("Delete ColorCode Group", IDOK);
        Press(IDC_CC_DELETE);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(ItemCount(IDC_CC_GROUP), 1);
    EXPECT_EQ(Selection(IDC_CC_GROUP), 0);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 0);
    EXPECT_FALSE(Enabled(IDC_CC_DELETE));
    EXPECT_TRUE(Enabled(IDC_CC_ADD));
    ExpectBarsShow(0, 0);
}

TEST_F(ColorCodeEditor, TheBuiltInGroupRefusesDeleteAndRename) {
    Open(MakeGroups(1, 1));
    Select(IDC_CC_GROUP, 0);
    const std::string caption = application.Title();
    {
        CWindowAnswer answer(caption, IDOK);
        Press(IDC_CC_DELETE);
        ASSERT_TRUE(answer.Answered());
        EXPECT_NE(answer.Text().find("Korva group name isn't allowed to be deleted!"), std::string::npos)
            << answer.Text();
        EXPECT_EQ(answer.Owner(), window);
    }
    {
        CWindowAnswer answer(caption, IDOK);
        Press(IDC_CC_RENAME);
        ASSERT_TRUE(answer.Answered());
        EXPECT_NE(answer.Text().find("Korva group name isn't allowed to change!"), std::string::npos)
            << answer.Text();
    }
    EXPECT_EQ(FindWindowA("#32770", "Rename Group"), nullptr);
    EXPECT_EQ(dialog.Groups().Count(), 2);
    EXPECT_EQ(dialog.Groups().Name(0), "Korva");
    EXPECT_EQ(Item(IDC_CC_GROUP, 0), "Korva");
    EXPECT_EQ(Selection(IDC_CC_GROUP), 0);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 1);
}

TEST_F(ColorCodeEditor, RenameReplacesTheNameInBothListsKeepingTheSelections) {
    Open(MakeGroups(3, 2));
    Select(IDC_CC_GROUP, 2);
    {
        CWindowAnswer answer("Rename Group", IDOK, [](HWND rename) {
            EXPECT_EQ(CWindow::TextOf(GetDlgItem(rename, IDC_GROUP_NAME)), "B");
            SetDlgItemTextA(rename, IDC_GROUP_NAME, "Bright");
        });
        Press(IDC_CC_RENAME);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog.Groups().Name(2), "Bright");
    for (int combo : {IDC_CC_GROUP, IDC_CC_ACTIVE_GROUP}) {
        ASSERT_EQ(ItemCount(combo), 4);
        EXPECT_EQ(Item(combo, 2), "Bright");
        EXPECT_EQ(Item(combo, 3), "C");
        EXPECT_EQ(Selection(combo), 2);
    }

    // Renaming a group that is not active leaves the active selection where it was.
    Select(IDC_CC_GROUP, 3);
    {
        CWindowAnswer answer("Rename Group", IDOK,
                             [](HWND rename) { SetDlgItemTextA(rename, IDC_GROUP_NAME, ""); });
        Press(IDC_CC_RENAME);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(Item(IDC_CC_GROUP, 3), "");
    EXPECT_EQ(Selection(IDC_CC_GROUP), 3);
    EXPECT_EQ(Selection(IDC_CC_ACTIVE_GROUP), 2);
    {
        CWindowAnswer answer("Rename Group", IDCANCEL,
                             [](HWND rename) { SetDlgItemTextA(rename, IDC_GROUP_NAME, "X"); });
        Press(IDC_CC_RENAME);
        ASSERT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog.Groups().Name(3), "");
}

TEST_F(ColorCodeEditor, TheActiveGroupComboChangesOnlyTheActiveGroup) {
    Open(MakeGroups(2));
    Paint(bars[0], kSentinel);
    Select(IDC_CC_ACTIVE_GROUP, 2);
    EXPECT_EQ(dialog.Groups().Active(), 2);
    EXPECT_EQ(Selection(IDC_CC_GROUP), 0);
    EXPECT_EQ(Bar(0), kSentinel);
    Select(IDC_CC_ACTIVE_GROUP, -1);
    EXPECT_EQ(dialog.Groups().Active(), 2);
}

TEST(AddGroupDialog, KeepsItsDefaultsForTooFewOrTooManyNames) {
    for (std::size_t count : {std::size_t{0}, std::size_t{6}}) {
        std::vector<std::string> names(count, "x");
        CAddGroupDlg dialog;
        dialog.SetGroups(names);
        ASSERT_TRUE(dialog.Create());
        HWND list = GetDlgItem(dialog.GetSafeHwnd(), IDC_GROUP_SOURCE);
        ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1) << count;
        char text[32] = {};
        SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "Korva");
        EXPECT_TRUE(dialog.CopyFlag());
        EXPECT_EQ(dialog.SourceIndex(), 0);
        EXPECT_EQ(dialog.NewName(), "New Group");
        dialog.DestroyWindow();
    }
}
