// The dialog manager without a window: resources, control messages, focus, keys and clicks.
#include "platform/win32_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr int kBox = 10, kList = 11, kOther = 12;

// Default button, plain button, a group box (no tab stop), a check box, a disabled button, a list.
const DialogItemTemplate kItems[] = {
    {IDOK, "button", "Go", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0, 0, 40, 14, 0},
    {IDCANCEL, "button", "Stop", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 50, 0, 40, 14, 0},
    {-1, "button", "Group", kChild | BS_GROUPBOX, 0, 0, 20, 90, 40, 0},
    {kBox, "button", "Box", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 4, 30, 40, 10, 0},
    {kOther, "button", "Off", kChild | BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 0, 50, 30, 40, 14, 0},
    {kList, "ComboBox", "", kChild | CBS_DROPDOWNLIST | WS_TABSTOP, 0, 4, 44, 80, 50, 0},
};
const DialogTemplate kTemplate = {
    WS_POPUP | WS_CAPTION | DS_CENTER, 0, 0, 0, 100, 70, "test", 8, 400, 0, 1, "MS Shell Dlg", 1033,
    kItems, (int)(sizeof kItems / sizeof kItems[0]),
};
constexpr WORD kTemplateId = 7001;

struct Sent {
    UINT message;
    WPARAM wParam;
};
std::vector<Sent> sent;
INT_PTR closeAnswer = FALSE;

// Records every message; ends the dialog on IDOK (1) and IDCANCEL (0), like a typical dialog.
INT_PTR CALLBACK recordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    sent.push_back({message, wParam});
    if (message == WM_INITDIALOG) {
        for (const char* entry : {"alpha", "beta", "gamma"})
            SendDlgItemMessageA(dialog, kList, CB_ADDSTRING, 0, (LPARAM)entry);
        SendDlgItemMessageA(dialog, kList, CB_SETCURSEL, 1, 0);
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
    if (message == WM_CLOSE) return closeAnswer;
    return FALSE;
}

class DialogManager : public ::testing::Test {
protected:
    void SetUp() override {
        const Win32Resource resources[] = {{RT_DIALOG, kTemplateId, &kTemplate, sizeof kTemplate}};
        win32AddResources(resources, 1);
        sent.clear();
        closeAnswer = FALSE;
        dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kTemplateId), nullptr, recordingProc, 42);
        ASSERT_NE(dialog, nullptr);
        sent.clear();
    }
    void TearDown() override { win32DestroyDialog(dialog); }

    void key(int vk, bool shift = false, bool alt = false) { win32DialogKeyDown(dialog, vk, shift, alt); }
    // The WM_COMMAND wParams sent since the last call.
    std::vector<WPARAM> commands() {
        std::vector<WPARAM> out;
        for (const Sent& s : sent)
            if (s.message == WM_COMMAND) out.push_back(s.wParam);
        sent.clear();
        return out;
    }
    LRESULT list(UINT message, WPARAM w = 0, LPARAM l = 0) { return SendDlgItemMessageA(dialog, kList, message, w, l); }

    HWND dialog = nullptr;
};

TEST(DialogResources, TemplatesAreFoundByOrdinalOrNumberString) {
    const Win32Resource resources[] = {{RT_DIALOG, 7002, &kTemplate, sizeof kTemplate}};
    win32AddResources(resources, 1);
    EXPECT_NE(win32FindResource(RT_DIALOG, MAKEINTRESOURCEA(7002)), nullptr);
    EXPECT_NE(win32FindResource(RT_DIALOG, "#7002"), nullptr);
    EXPECT_EQ(win32FindResource(RT_BITMAP, MAKEINTRESOURCEA(7002)), nullptr);
    EXPECT_EQ(win32FindResource(RT_DIALOG, "#70x2"), nullptr);
    EXPECT_EQ(win32FindResource(RT_DIALOG, "name"), nullptr);
}

TEST(DialogResources, AMissingTemplateCreatesNoDialog) {
    EXPECT_EQ(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(7999), nullptr, recordingProc, 0), nullptr);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(7999), nullptr, recordingProc, 0), -1);
}

TEST_F(DialogManager, InitDialogCarriesTheParameterAndFocusGoesToTheFirstTabStop) {
    sent.clear();
    HWND second = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kTemplateId), nullptr, recordingProc, 42);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].message, (UINT)WM_INITDIALOG);
    EXPECT_EQ(sent[0].wParam, (WPARAM)GetDlgItem(second, IDOK));
    EXPECT_EQ(win32DialogFocus(second), 0);
    EXPECT_FALSE(win32DialogEnded(second, nullptr));
    win32DestroyDialog(second);
    EXPECT_EQ(GetDlgItem(second, IDOK), nullptr);  // destroyed handles are not answered
}

TEST_F(DialogManager, ComboBoxMessagesBehaveAsADropDownList) {
    EXPECT_EQ(list(CB_GETCOUNT), 3);
    EXPECT_EQ(list(CB_GETCURSEL), 1);
    EXPECT_EQ(list(CB_ADDSTRING, 0, (LPARAM) "delta"), 3);  // appended, not sorted
    char text[16] = {};
    EXPECT_EQ(list(CB_GETLBTEXTLEN, 3), 5);
    EXPECT_EQ(list(CB_GETLBTEXT, 3, (LPARAM)text), 5);
    EXPECT_STREQ(text, "delta");
    EXPECT_EQ(list(CB_GETLBTEXT, 4, (LPARAM)text), CB_ERR);
    EXPECT_EQ(list(CB_SETCURSEL, 4), CB_ERR);  // out of range clears the selection
    EXPECT_EQ(list(CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(list(CB_SETCURSEL, 0), 0);
    EXPECT_EQ(list(CB_RESETCONTENT), CB_OKAY);
    EXPECT_EQ(list(CB_GETCOUNT), 0);
    EXPECT_EQ(list(CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(list(CB_SETCURSEL, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 999, CB_GETCOUNT, 0, 0), 0);  // no such control
}

TEST_F(DialogManager, CheckBoxesKeepTheirStateAndPushButtonsHaveNone) {
    EXPECT_EQ(IsDlgButtonChecked(dialog, kBox), (UINT)BST_UNCHECKED);
    EXPECT_TRUE(CheckDlgButton(dialog, kBox, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kBox), (UINT)BST_CHECKED);
    CheckDlgButton(dialog, IDOK, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDOK), (UINT)BST_UNCHECKED);
    EXPECT_FALSE(CheckDlgButton(dialog, 999, BST_CHECKED));
    EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, kBox)), kBox);
}

TEST_F(DialogManager, TabMovesThroughTabStopsInTemplateOrderAndWraps) {
    // Positions: 0 Go, 1 Stop, 2 group (no stop), 3 Box, 4 disabled, 5 list.
    std::vector<int> forward, backward;
    for (int i = 0; i < 5; ++i) {
        key(VK_TAB);
        forward.push_back(win32DialogFocus(dialog));
    }
    EXPECT_EQ(forward, (std::vector<int>{1, 3, 5, 0, 1}));
    for (int i = 0; i < 4; ++i) {
        key(VK_TAB, true);
        backward.push_back(win32DialogFocus(dialog));
    }
    EXPECT_EQ(backward, (std::vector<int>{0, 5, 3, 1}));
    EXPECT_TRUE(commands().empty());
}

TEST_F(DialogManager, SpaceTogglesTheFocusedCheckBoxAndNotifies) {
    key(VK_TAB);
    key(VK_TAB);
    key(VK_SPACE);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kBox), (UINT)BST_CHECKED);
    key(VK_SPACE);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kBox), (UINT)BST_UNCHECKED);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(kBox, BN_CLICKED), MAKEWPARAM(kBox, BN_CLICKED)}));
}

TEST_F(DialogManager, ArrowsHomeAndEndMoveTheFocusedListsSelection) {
    key(VK_TAB, true);  // wraps back to the list
    ASSERT_EQ(win32DialogFocus(dialog), 5);
    struct Step {
        int vk;
        LRESULT selection;
        bool notified;
    } steps[] = {
        {VK_DOWN, 2, true}, {VK_DOWN, 2, false}, {VK_UP, 1, true}, {VK_HOME, 0, true},
        {VK_UP, 0, false},  {VK_END, 2, true},   {VK_LEFT, 1, true}, {VK_RIGHT, 2, true},
    };
    for (const Step& s : steps) {
        key(s.vk);
        EXPECT_EQ(list(CB_GETCURSEL), s.selection) << "key " << s.vk;
        std::vector<WPARAM> expected;
        if (s.notified) expected.push_back(MAKEWPARAM(kList, CBN_SELCHANGE));
        EXPECT_EQ(commands(), expected) << "key " << s.vk;
    }
}

TEST_F(DialogManager, ArrowsOnButtonsChangeNoList) {
    key(VK_DOWN);
    EXPECT_EQ(list(CB_GETCURSEL), 1);
    EXPECT_EQ(win32DialogFocus(dialog), 0);
}

TEST_F(DialogManager, EnterPressesTheFocusedPushButtonElseTheDefaultOne) {
    key(VK_TAB);  // Stop
    key(VK_RETURN);
    INT_PTR result = -5;
    ASSERT_TRUE(win32DialogEnded(dialog, &result));
    EXPECT_EQ(result, 0);

    win32DestroyDialog(dialog);
    dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kTemplateId), nullptr, recordingProc, 0);
    key(VK_TAB);
    key(VK_TAB);  // the check box: Enter goes to the default button
    sent.clear();
    key(VK_RETURN);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(IDOK, BN_CLICKED)}));
    ASSERT_TRUE(win32DialogEnded(dialog, &result));
    EXPECT_EQ(result, 1);
}

TEST_F(DialogManager, EscapeIsCancelWhereverTheFocusIs) {
    key(VK_TAB, true);
    key(VK_ESCAPE);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
    INT_PTR result = -5;
    EXPECT_TRUE(win32DialogEnded(dialog, &result));
    EXPECT_EQ(result, 0);
}

TEST_F(DialogManager, AnOpenListTakesEnterAndEscapeToCloseItself) {
    key(VK_TAB, true);
    key(VK_F4);
    EXPECT_EQ(list(CB_GETDROPPEDSTATE), TRUE);
    key(VK_DOWN);
    EXPECT_EQ(list(CB_GETCURSEL), 2);
    key(VK_ESCAPE);
    EXPECT_EQ(list(CB_GETDROPPEDSTATE), FALSE);
    key(VK_DOWN, false, true);  // Alt+Down opens it too
    EXPECT_EQ(list(CB_GETDROPPEDSTATE), TRUE);
    key(VK_RETURN);
    EXPECT_EQ(list(CB_GETDROPPEDSTATE), FALSE);
    EXPECT_FALSE(win32DialogEnded(dialog, nullptr));
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(kList, CBN_DROPDOWN), MAKEWPARAM(kList, CBN_SELCHANGE),
                                               MAKEWPARAM(kList, CBN_CLOSEUP), MAKEWPARAM(kList, CBN_DROPDOWN),
                                               MAKEWPARAM(kList, CBN_CLOSEUP)}));
}

TEST_F(DialogManager, CloseSendsWmCloseThenCancelUnlessTheProcedureHandledIt) {
    win32DialogClose(dialog);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].message, (UINT)WM_CLOSE);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));

    win32DestroyDialog(dialog);
    dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kTemplateId), nullptr, recordingProc, 0);
    sent.clear();
    closeAnswer = TRUE;
    key(VK_F4, false, true);  // Alt+F4
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].message, (UINT)WM_CLOSE);
    EXPECT_FALSE(win32DialogEnded(dialog, nullptr));
}

TEST_F(DialogManager, ClicksFocusAndActButDisabledControlsIgnoreThem) {
    win32DialogClick(dialog, 3);
    EXPECT_EQ(win32DialogFocus(dialog), 3);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kBox), (UINT)BST_CHECKED);
    win32DialogClick(dialog, 4);  // disabled
    win32DialogClick(dialog, 2);  // group box
    EXPECT_EQ(win32DialogFocus(dialog), 3);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(kBox, BN_CLICKED)}));

    win32DialogClick(dialog, 5);
    EXPECT_EQ(list(CB_GETDROPPEDSTATE), TRUE);
    win32DialogPick(dialog, 5, 0);
    EXPECT_EQ(list(CB_GETDROPPEDSTATE), FALSE);
    EXPECT_EQ(list(CB_GETCURSEL), 0);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(kList, CBN_DROPDOWN), MAKEWPARAM(kList, CBN_CLOSEUP),
                                               MAKEWPARAM(kList, CBN_SELCHANGE)}));
    win32DialogClick(dialog, 0);
    INT_PTR result = -5;
    EXPECT_TRUE(win32DialogEnded(dialog, &result));
    EXPECT_EQ(result, 1);
}

// A .bmp file in memory: 54-byte header, `bits` per pixel, rows padded to 4 bytes.
std::vector<unsigned char> bmpFile(int width, int height, int bits, bool topDown) {
    int stride = (width * bits / 8 + 3) & ~3;
    int rows = height;
    std::vector<unsigned char> f(54 + (size_t)stride * rows, 0);
    auto put32 = [&f](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = (unsigned char)(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, (uint32_t)f.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, (uint32_t)width);
    put32(22, (uint32_t)(topDown ? -height : height));
    f[26] = 1;
    f[28] = (unsigned char)bits;
    // File row r holds picture row (topDown ? r : rows - 1 - r); pixel (x, y) = BGR(x, y, 200).
    for (int r = 0; r < rows; ++r) {
        int y = topDown ? r : rows - 1 - r;
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &f[54 + (size_t)stride * r + (size_t)x * (bits / 8)];
            p[0] = 200;
            p[1] = (unsigned char)y;
            p[2] = (unsigned char)x;
        }
    }
    return f;
}

TEST(DialogBitmaps, DecodesBottomUpAndTopDownFilesIntoTopDownRgba) {
    for (auto [bits, topDown] : {std::pair{24, false}, std::pair{32, true}, std::pair{24, true}}) {
        std::vector<unsigned char> file = bmpFile(3, 2, bits, topDown);  // 3 pixels: padded rows at 24 bits
        int w = 0, h = 0;
        std::vector<uint32_t> rgba;
        ASSERT_TRUE(win32DecodeBitmap(file.data(), file.size(), &w, &h, &rgba)) << bits;
        EXPECT_EQ(w, 3);
        EXPECT_EQ(h, 2);
        ASSERT_EQ(rgba.size(), 6u);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(rgba[y * 3 + x], 0xff000000u | (200u << 16) | ((uint32_t)y << 8) | (uint32_t)x)
                    << bits << " bits, pixel " << x << "," << y;
    }
}

TEST(DialogBitmaps, RejectsFilesItCannotRead) {
    std::vector<unsigned char> file = bmpFile(3, 2, 24, false);
    int w = 0, h = 0;
    std::vector<uint32_t> rgba;
    EXPECT_FALSE(win32DecodeBitmap(file.data(), file.size() - 1, &w, &h, &rgba));  // truncated pixels
    EXPECT_FALSE(win32DecodeBitmap(file.data(), 40, &w, &h, &rgba));              // truncated header
    std::vector<unsigned char> palette = file;
    palette[28] = 8;
    EXPECT_FALSE(win32DecodeBitmap(palette.data(), palette.size(), &w, &h, &rgba));
    std::vector<unsigned char> compressed = file;
    compressed[30] = 1;  // RLE
    EXPECT_FALSE(win32DecodeBitmap(compressed.data(), compressed.size(), &w, &h, &rgba));
    std::vector<unsigned char> notBmp = file;
    notBmp[0] = 'P';
    EXPECT_FALSE(win32DecodeBitmap(notBmp.data(), notBmp.size(), &w, &h, &rgba));
}

}  // namespace
