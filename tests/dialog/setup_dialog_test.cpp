// The setup dialog's procedure against fake adapters: list contents, preselections, and the
// displaySettings that Run writes. The dialog runs without a window (CreateDialogParamA).
#include "app/demo_window.h"
#include "app/dialog_resources.h"
#include "app/display_settings.h"
#include "app/setup_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// An adapter with chosen X8R8G8B8 modes, desktop mode and supported multisample types.
struct FakeAdapter : IDirect3D9 {
    std::vector<D3DDISPLAYMODE> modes;
    std::vector<D3DMULTISAMPLE_TYPE> samples = {D3DMULTISAMPLE_NONE};
    D3DDISPLAYMODE desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<UINT> enumerated;         // mode indices asked for, in order
    std::vector<BOOL> windowedQueries;    // Windowed argument of each multisample query

    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    UINT GetAdapterCount() override { return 1; }
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        return adapter == 0 && format == D3DFMT_X8R8G8B8 ? (UINT)modes.size() : 0;
    }
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) override {
        enumerated.push_back(index);
        if (adapter != 0 || format != D3DFMT_X8R8G8B8 || index >= modes.size() || !mode) return D3DERR_INVALIDCALL;
        *mode = modes[index];
        return D3D_OK;
    }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override {
        *mode = desktop;
        return D3D_OK;
    }
    HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                       D3DMULTISAMPLE_TYPE samplesAsked, DWORD*) override {
        windowedQueries.push_back(windowed);
        bool ok = type == D3DDEVTYPE_HAL && format == D3DFMT_X8R8G8B8 &&
                  std::find(samples.begin(), samples.end(), samplesAsked) != samples.end();
        return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice9** device) override {
        if (device) *device = nullptr;
        return D3DERR_NOTAVAILABLE;
    }
};

D3DDISPLAYMODE mode(UINT w, UINT h, UINT hz) { return {w, h, hz, D3DFMT_X8R8G8B8}; }

std::vector<std::string> entries(HWND dialog, int list) {
    std::vector<std::string> out;
    LRESULT n = SendDlgItemMessageA(dialog, list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[64] = {};
        SendDlgItemMessageA(dialog, list, CB_GETLBTEXT, (WPARAM)i, (LPARAM)text);
        out.emplace_back(text);
    }
    return out;
}
LRESULT selection(HWND dialog, int list) { return SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0); }

class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override {
        addProgramResources();
        displaySettings = DisplaySettings{};
        saved = d3d;
        d3d = &adapter;
    }
    void TearDown() override {
        if (dialog) win32DestroyDialog(dialog);
        d3d = saved;
        displaySettings = DisplaySettings{};
    }
    HWND open() {
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kSetupDialogId), nullptr,
                                    setupDialogProc, 0);
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    void command(WORD id) { EXPECT_EQ(setupDialogProc(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), FALSE); }
    bool ended(INT_PTR* result = nullptr) { return win32DialogEnded(dialog, result); }
    bool settingsUntouched() {
        return displaySettings.width == 0 && displaySettings.height == 0 && displaySettings.refreshRate == 0 &&
               displaySettings.aspectRatio == 0.0f && displaySettings.fullscreen == 0 && displaySettings.vsync == 0 &&
               displaySettings.multiSampleType == 0;
    }

    FakeAdapter adapter;
    IDirect3D9* saved = nullptr;
    HWND dialog = nullptr;
};

struct ModeCase {
    const char* name;
    std::vector<D3DDISPLAYMODE> modes;
    std::vector<std::string> labels;
    std::vector<int> listed;
    LRESULT preselected;
};

TEST_F(SetupDialog, ResolutionListKeepsModesAtLeast640WideAndPreselectsTheLast800x600) {
    const ModeCase cases[] = {
        {"narrow modes skipped",
         {mode(639, 480, 60), mode(640, 480, 60), mode(320, 200, 70), mode(800, 600, 60), mode(1024, 768, 75)},
         {" 1:  640x 480@60Hz", " 3:  800x 600@60Hz", " 4: 1024x 768@75Hz"},
         {1, 3, 4},
         1},
        {"several 800x600 rates",
         {mode(800, 600, 60), mode(1024, 768, 60), mode(800, 600, 75), mode(800, 600, 85), mode(1280, 1024, 60)},
         {" 0:  800x 600@60Hz", " 1: 1024x 768@60Hz", " 2:  800x 600@75Hz", " 3:  800x 600@85Hz",
          " 4: 1280x1024@60Hz"},
         {0, 1, 2, 3, 4},
         3},
        {"no 800x600",
         {mode(640, 480, 60), mode(800, 640, 60), mode(1920, 1080, 144)},
         {" 0:  640x 480@60Hz", " 1:  800x 640@60Hz", " 2: 1920x1080@144Hz"},
         {0, 1, 2},
         0},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        adapter.modes = c.modes;
        open();
        EXPECT_EQ(entries(dialog, kResolutionList), c.labels);
        EXPECT_EQ(selection(dialog, kResolutionList), c.preselected);
        ASSERT_EQ(listedModeCount, (int)c.listed.size());
        EXPECT_EQ(std::vector<int>(listedModes, listedModes + listedModeCount), c.listed);
        EXPECT_EQ(listedModes[listedModeCount], -1);
        EXPECT_EQ(IsDlgButtonChecked(dialog, kFullscreenBox), (UINT)BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, kVsyncBox), (UINT)BST_CHECKED);
        win32DestroyDialog(dialog);
        dialog = nullptr;
    }
}

TEST_F(SetupDialog, LabelsOfTwoDigitModeIndicesKeepTheirWidth) {
    for (int i = 0; i < 12; ++i) adapter.modes.push_back(mode(400, 300, 60));
    adapter.modes.push_back(mode(1920, 1200, 60));
    open();
    EXPECT_EQ(entries(dialog, kResolutionList), std::vector<std::string>{"12: 1920x1200@60Hz"});
}

TEST_F(SetupDialog, OnlyTheFirst200ListableModesAreListed) {
    for (int i = 0; i < 250; ++i) adapter.modes.push_back(mode(640 + i, 480, 60));
    adapter.modes[100] = mode(800, 600, 60);
    adapter.modes[230] = mode(800, 600, 75);  // beyond the list: not the default
    open();
    EXPECT_EQ(listedModeCount, kListedModeCapacity);
    EXPECT_EQ(listedModes[kListedModeCapacity - 1], kListedModeCapacity - 1);
    EXPECT_EQ(SendDlgItemMessageA(dialog, kResolutionList, CB_GETCOUNT, 0, 0), kListedModeCapacity);
    EXPECT_EQ(selection(dialog, kResolutionList), 100);
}

struct SampleCase {
    const char* name;
    std::vector<D3DMULTISAMPLE_TYPE> supported;
    size_t listed;
    LRESULT preselected;
};

TEST_F(SetupDialog, MultisamplingListIsTheSupportedPrefixTestedForFullscreen) {
    const SampleCase cases[] = {
        {"2x and 4x", {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES}, 3, 1},
        {"only 2x", {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_2_SAMPLES}, 2, 0},
        {"4x missing, 8x present", {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_8_SAMPLES}, 2, 0},
        {"none at all", {}, 0, CB_ERR},
        {"everything",
         {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES, D3DMULTISAMPLE_6_SAMPLES,
          D3DMULTISAMPLE_8_SAMPLES, D3DMULTISAMPLE_10_SAMPLES, D3DMULTISAMPLE_12_SAMPLES, D3DMULTISAMPLE_14_SAMPLES,
          D3DMULTISAMPLE_16_SAMPLES},
         9,
         1},
    };
    adapter.modes = {mode(800, 600, 60)};
    for (const SampleCase& c : cases) {
        SCOPED_TRACE(c.name);
        adapter.samples = c.supported;
        adapter.windowedQueries.clear();
        open();
        std::vector<std::string> expected(kMultiSampleNames, kMultiSampleNames + c.listed);
        EXPECT_EQ(entries(dialog, kMultiSampleList), expected);
        EXPECT_EQ(selection(dialog, kMultiSampleList), c.preselected);
        for (BOOL windowed : adapter.windowedQueries) EXPECT_EQ(windowed, FALSE);
        win32DestroyDialog(dialog);
        dialog = nullptr;
    }
}

TEST_F(SetupDialog, AspectRatioPreselectionIsTheEntryNearestTheDesktop) {
    const struct {
        UINT w, h;
        LRESULT entry;
    } cases[] = {
        {1024, 768, 0}, {1280, 1024, 0}, {1500, 1000, 1}, {1680, 1050, 1}, {1440, 900, 1},
        {1920, 1080, 2}, {1280, 720, 2},  {2560, 1080, 2}, {0, 0, 0},
    };
    adapter.modes = {mode(800, 600, 60)};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        adapter.desktop = mode(c.w, c.h, 60);
        open();
        EXPECT_EQ(entries(dialog, kAspectList), (std::vector<std::string>{"4:3", "16:10", "16:9"}));
        EXPECT_EQ(selection(dialog, kAspectList), c.entry);
        win32DestroyDialog(dialog);
        dialog = nullptr;
    }
}

TEST_F(SetupDialog, RunWritesTheChosenModeAndOptionsAndEndsWithOne) {
    adapter.modes = {mode(639, 480, 60), mode(640, 480, 60), mode(800, 600, 60), mode(1024, 768, 75)};
    adapter.samples = {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES};
    open();
    SendDlgItemMessageA(dialog, kResolutionList, CB_SETCURSEL, 2, 0);   // adapter mode 3
    SendDlgItemMessageA(dialog, kAspectList, CB_SETCURSEL, 1, 0);       // 16:10
    SendDlgItemMessageA(dialog, kMultiSampleList, CB_SETCURSEL, 2, 0);  // 4x
    CheckDlgButton(dialog, kFullscreenBox, BST_UNCHECKED);
    adapter.enumerated.clear();
    command(IDOK);
    INT_PTR result = -5;
    ASSERT_TRUE(ended(&result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(adapter.enumerated, std::vector<UINT>{3});
    EXPECT_EQ(displaySettings.width, 1024u);
    EXPECT_EQ(displaySettings.height, 768u);
    EXPECT_EQ(displaySettings.refreshRate, 75u);
    EXPECT_EQ(displaySettings.aspectRatio, 1.6f);
    EXPECT_EQ(displaySettings.fullscreen, 0);
    EXPECT_EQ(displaySettings.vsync, 1);
    EXPECT_EQ(displaySettings.multiSampleType, 4u);
}

TEST_F(SetupDialog, RunWithTheDefaultsTakesFullscreenVsyncAnd800x600) {
    adapter.modes = {mode(800, 600, 60), mode(800, 600, 85), mode(1280, 720, 60)};
    adapter.desktop = mode(1920, 1080, 60);
    open();
    command(IDOK);
    ASSERT_TRUE(ended());
    EXPECT_EQ(displaySettings.width, 800u);
    EXPECT_EQ(displaySettings.refreshRate, 85u);
    EXPECT_EQ(displaySettings.aspectRatio, 16.0f / 9.0f);
    EXPECT_EQ(displaySettings.fullscreen, 1);
    EXPECT_EQ(displaySettings.vsync, 1);
    EXPECT_EQ(displaySettings.multiSampleType, 0u);
}

TEST_F(SetupDialog, ExitEndsWithZeroAndLeavesTheSettingsZero) {
    adapter.modes = {mode(800, 600, 60)};
    open();
    setupDialogProc(dialog, WM_COMMAND, MAKEWPARAM(kResolutionList, CBN_SELCHANGE), 0);  // ignored
    EXPECT_FALSE(ended());
    command(IDCANCEL);
    INT_PTR result = -5;
    ASSERT_TRUE(ended(&result));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(settingsUntouched());
}

TEST_F(SetupDialog, NoModesShowsTheWarningAndRunDoesNothing) {
    testing::internal::CaptureStderr();
    open();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("MessageBox [GetAdapterModeCount = 0] Somethings Terribly Wrong"), std::string::npos) << err;
    for (int list : {kResolutionList, kMultiSampleList, kAspectList}) EXPECT_TRUE(entries(dialog, list).empty());
    EXPECT_EQ(listedModeCount, 0);
    adapter.enumerated.clear();
    command(IDOK);
    EXPECT_FALSE(ended());
    EXPECT_TRUE(adapter.enumerated.empty());
    EXPECT_TRUE(settingsUntouched());
    command(IDCANCEL);
    EXPECT_TRUE(ended());
}

TEST_F(SetupDialog, WithoutADirect3DInterfaceTheListsStayEmptyAndRunDoesNothing) {
    d3d = nullptr;
    open();
    for (int list : {kResolutionList, kMultiSampleList, kAspectList}) EXPECT_TRUE(entries(dialog, list).empty());
    EXPECT_EQ(IsDlgButtonChecked(dialog, kFullscreenBox), (UINT)BST_CHECKED);
    command(IDOK);
    EXPECT_FALSE(ended());
    EXPECT_TRUE(settingsUntouched());
}

TEST_F(SetupDialog, RunWithoutAMultisamplingChoiceDoesNothing) {
    adapter.modes = {mode(800, 600, 60)};
    adapter.samples = {};
    open();
    command(IDOK);
    EXPECT_FALSE(ended());
    EXPECT_TRUE(settingsUntouched());
}

TEST_F(SetupDialog, TheCloseBoxEndsTheProcessWithZero) {
    adapter.modes = {mode(800, 600, 60)};
    open();
    EXPECT_EXIT(setupDialogProc(dialog, WM_CLOSE, 0, 0), testing::ExitedWithCode(0), "");
}

TEST_F(SetupDialog, KeyboardChoicesReachTheSettings) {
    adapter.modes = {mode(800, 600, 60), mode(1280, 720, 60)};
    adapter.desktop = mode(1024, 768, 60);
    open();
    // Tab order: Run, Exit, Fullscreen, Resolution, Aspect Ratio, Multisampling, Vsync.
    const int keys[] = {VK_TAB, VK_TAB, VK_SPACE, VK_TAB, VK_DOWN, VK_TAB, VK_END, VK_TAB, VK_TAB, VK_SPACE};
    for (int key : keys) win32DialogKeyDown(dialog, key, false, false);
    EXPECT_FALSE(ended());
    win32DialogKeyDown(dialog, VK_RETURN, false, false);  // on the Vsync box: the default button
    ASSERT_TRUE(ended());
    EXPECT_EQ(displaySettings.width, 1280u);
    EXPECT_EQ(displaySettings.aspectRatio, 16.0f / 9.0f);
    EXPECT_EQ(displaySettings.fullscreen, 0);
    EXPECT_EQ(displaySettings.vsync, 0);
}

TEST(SetupDialogTemplate, HoldsTheDialogAndItsControlsInTabOrder) {
    const DialogTemplate& t = kSetupDialogTemplate;
    EXPECT_STREQ(t.title, "skarnholt_vandrup");
    EXPECT_EQ(t.cx, 180);
    EXPECT_EQ(t.cy, 143);
    ASSERT_EQ(t.itemCount, 11);
    const int ids[] = {IDOK, IDCANCEL, kFullscreenBox, kResolutionList, -1, kAspectList, kMultiSampleList,
                       -1,   -1,       -1,             kVsyncBox};
    for (int i = 0; i < t.itemCount; ++i) EXPECT_EQ(t.items[i].id, ids[i]) << i;
    EXPECT_EQ(t.items[4].imageId, kSetupPictureId);
    EXPECT_EQ(t.items[0].style & BS_TYPEMASK, (DWORD)BS_DEFPUSHBUTTON);
}

TEST(SetupDialogTemplate, ThePictureIsA200By125TrueColourBitmap) {
    addProgramResources();
    const Win32Resource* picture = win32FindResource(RT_BITMAP, MAKEINTRESOURCEA(kSetupPictureId));
    ASSERT_NE(picture, nullptr);
    ASSERT_GT(picture->size, 54u);
    EXPECT_EQ(static_cast<const unsigned char*>(picture->data)[28], 24);  // bits per pixel
    int w = 0, h = 0;
    std::vector<uint32_t> rgba;
    ASSERT_TRUE(win32DecodeBitmap(picture->data, picture->size, &w, &h, &rgba));
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 125);
}

TEST(SetupDialogWindow, ADialogThatCannotBeShownIsAnError) {
    // A driver that does not exist, and one without a screen, where nobody could answer.
    for (const char* driver : {"no-such-driver", "offscreen"}) {
        SCOPED_TRACE(driver);
        setenv("SDL_VIDEODRIVER", driver, 1);
        EXPECT_THROW(runSetupDialog(), std::runtime_error);
        unsetenv("SDL_VIDEODRIVER");
    }
}

}  // namespace
